// An MCI sequencer driver for the music player's tests: registered in place
// of the real sequencer, it reports the output port and the errors a test
// asks for, and counts the plays it was sent.
#include <windows.h>
#include <mmsystem.h>
#include <mmddk.h>

namespace {

DWORD port = LOWORD(MIDI_MAPPER);
MCIERROR statusError = 0;
MCIERROR playError = 0;
int plays = 0;

}  // namespace

extern "C" {

void FakeSequencerConfigure(DWORD newPort, MCIERROR newStatusError, MCIERROR newPlayError) {
    port = newPort;
    statusError = newStatusError;
    playError = newPlayError;
    plays = 0;
}

int FakeSequencerPlays() {
    return plays;
}

LRESULT CALLBACK DriverProc(DWORD_PTR id, HDRVR driver, UINT message, LPARAM first, LPARAM second) {
    switch (message) {
    case DRV_LOAD:
    case DRV_FREE:
    case DRV_ENABLE:
    case DRV_DISABLE:
    case DRV_CLOSE:
        return 1;
    case DRV_OPEN: {
        auto* open = reinterpret_cast<MCI_OPEN_DRIVER_PARMS*>(second);
        if (open) {
            open->wCustomCommandTable = MCI_NO_COMMAND_TABLE;
            open->wType = MCI_DEVTYPE_SEQUENCER;
        }
        return 1;
    }
    case MCI_OPEN_DRIVER:
    case MCI_CLOSE_DRIVER:
        return 0;
    case MCI_STATUS: {
        auto* status = reinterpret_cast<MCI_STATUS_PARMS*>(second);
        if (statusError) {
            return statusError;
        }
        if (status && (first & MCI_STATUS_ITEM) && status->dwItem == MCI_SEQ_STATUS_PORT) {
            status->dwReturn = port;
            return 0;
        }
        return MCIERR_UNSUPPORTED_FUNCTION;
    }
    case MCI_PLAY:
        plays += 1;
        return playError;
    default:
        return DefDriverProc(id, driver, message, first, second);
    }
}

}  // extern "C"
