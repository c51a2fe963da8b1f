#include "app/command_line.h"

CopyModeRequest ScanCommandLine(const char* commandLine)
{
    CopyModeRequest request;
    const char* cursor = commandLine ? commandLine : "";
    while (*cursor) {
        if (*cursor == '-') {
            cursor++;
            continue;
        }
        if (*cursor == '1' || *cursor == '2') {
            request.mode = *cursor == '1' ? CopyMode::Copy : CopyMode::Delete;
            // The path starts two characters after the digit; never step past
            // the terminator when the line ends at the digit or its separator.
            if (cursor[1] && cursor[2])
                request.path = cursor + 2;
            return request;
        }
        while (*cursor && *cursor != ' ')
            cursor++;
        if (*cursor == ' ')
            cursor++;
    }
    return request;
}
