#include "shell/betafeatures.h"

#include <iterator>

#include "shell/res/shell_resource.h"
#include "settings/vqregistry.h"

namespace {

const BetaFeatureRow kFeatures[] = {
    {BETA_NEW_OSCILLOSCOPE, BETA_ALWAYS_ON_UNLISTED, IDS_BETA_NEW_OSCILLOSCOPE},
    {BETA_FAST_PROGRAM_LOAD, BETA_ALWAYS_ON_UNLISTED, IDS_BETA_FAST_PROGRAM_LOAD},
    {BETA_FAST_PROJECT_LOAD, BETA_NOT_AVAILABLE, IDS_BETA_FAST_PROJECT_LOAD},
    {BETA_FAST_PROGRAM_SAVE, BETA_NOT_AVAILABLE, IDS_BETA_FAST_PROGRAM_SAVE},
    {BETA_COMMS_LINK_SELECTION, BETA_USER_SWITCHED, IDS_BETA_COMMS_LINK_SELECTION},
};

} // namespace

int GetBetaFeatureCount()
{
    return static_cast<int>(std::size(kFeatures));
}

const BetaFeatureRow* GetBetaFeature(int n)
{
    return n >= 0 && n < GetBetaFeatureCount() ? &kFeatures[n] : nullptr;
}

BOOL IsBetaFeatureEnabled(int n)
{
    const BetaFeatureRow* row = GetBetaFeature(n);
    if (!row)
        return FALSE;
    switch (row->kind) {
    case BETA_ALWAYS_ON:
    case BETA_ALWAYS_ON_UNLISTED:
        return TRUE;
    case BETA_USER_SWITCHED: {
        const DWORD mask = CVQRegistry().GetBetaMask(n / BETA_FEATURES_PER_MASK);
        return (mask >> (n % BETA_FEATURES_PER_MASK)) & 1 ? TRUE : FALSE;
    }
    default:
        return FALSE;
    }
}
