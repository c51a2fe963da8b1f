// Recognises the two copy modes a personalised copy is relaunched with:
//   "-1 TARGET"  copy this executable over TARGET, then start TARGET -2 SELF;
//   "-2 PATH"    delete PATH (the temporary copy that started us).
#pragma once

enum class CopyMode { None, Copy, Delete };

struct CopyModeRequest {
    CopyMode mode = CopyMode::None;
    // The rest of the command line after the mode digit and one separator,
    // verbatim (spaces belong to it, quotes are not interpreted). Empty when
    // the mode was named without a path.
    const char* path = "";
};

// Only the first character of each space-separated token counts, after any
// number of dashes: "-1", "--1" and "1x" select a mode, "x-1" does not.
CopyModeRequest ScanCommandLine(const char* commandLine);
