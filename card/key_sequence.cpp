#include "card/key_sequence.h"

#include <string.h>

namespace {

struct KeySequence {
    int matched;
    const char* keys;  // virtual-key codes
};

KeySequence keySequences[] = {
    {0, "M"},
};

}  // namespace

int MatchKeySequence(int key) {
    int number = 0;
    for (KeySequence& sequence : keySequences) {
        ++number;
        if ((key & 0xFF) != static_cast<unsigned char>(sequence.keys[sequence.matched])) {
            sequence.matched = 0;
            continue;
        }
        sequence.matched += 1;
        if (sequence.keys[sequence.matched] == '\0') {
            sequence.matched = 0;
            return number;
        }
    }
    return 0;
}

void ResetKeySequences() {
    for (KeySequence& sequence : keySequences) {
        sequence.matched = 0;
    }
}
