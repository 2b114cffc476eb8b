// Beta feature flags: a fixed table of features still being introduced.
// Each has a kind: always on, never on, or switched by the user, whose
// switches live as bit masks "BetaMask%02d" in the settings store (feature
// n is bit n mod 4 of word n div 4). The state is read again at every call.
#pragma once

#include <windows.h>

enum BetaFeatureKind : DWORD {
    BETA_NOT_AVAILABLE = 0,
    BETA_USER_SWITCHED = 1,
    BETA_ALWAYS_ON = 4,
    BETA_ALWAYS_ON_UNLISTED = 5, // listed without a name
};

// Feature numbers other parts ask for.
enum BetaFeature : int {
    BETA_NEW_OSCILLOSCOPE = 0,
    BETA_FAST_PROGRAM_LOAD = 1,
    BETA_FAST_PROJECT_LOAD = 2,
    BETA_FAST_PROGRAM_SAVE = 3,
    BETA_COMMS_LINK_SELECTION = 4,
};

struct BetaFeatureRow {
    DWORD number;
    DWORD kind;
    DWORD nameId; // string id of the feature's name
};

// Features a mask word holds.
const int BETA_FEATURES_PER_MASK = 4;

int GetBetaFeatureCount();
// The table row of feature n; null outside the table.
const BetaFeatureRow* GetBetaFeature(int n);
// Whether feature n is on; 0 outside the table.
BOOL IsBetaFeatureEnabled(int n);
