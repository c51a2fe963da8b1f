// Key sequences the card reacts to while Ctrl is held.
#pragma once

// Feeds one virtual-key code to the sequences; returns the 1-based number of
// the sequence it completed, or 0. A key that breaks a sequence starts it
// over (it is not tried as that sequence's first key).
int MatchKeySequence(int key);

// Forgets the keys matched so far.
void ResetKeySequences();

// Sequence 1: Ctrl+M, the personalised copy.
constexpr int kSaveCopySequence = 1;
