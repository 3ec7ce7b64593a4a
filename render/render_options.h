#pragma once

#include "platform/settings_store.h"

#include <algorithm>
#include <cmath>

namespace tandrel {

// How a take becomes a finished reel.
struct RenderOptions
{
    static constexpr double defaultPauseThreshold = 0.6;
    static constexpr double shortestPauseThreshold = 0.3;
    static constexpr double longestPauseThreshold = 5.0;

    bool tightenPauses = true;
    // A pause longer than this, in seconds, is shortened to `breath`.
    double pauseThreshold = defaultPauseThreshold;
    double breath = 0.25;
    bool burnCaptions = true;
    bool operator==(const RenderOptions &) const = default;

    // The user's pause threshold ("finishedReel.pauseThreshold"), kept
    // within the range the settings offer; the default when absent.
    static double pauseThresholdSetting(const SettingsStore &settings)
    {
        const double value = settings.read(settings::pauseThreshold).value_or(defaultPauseThreshold);
        return std::isfinite(value) ? std::clamp(value, shortestPauseThreshold, longestPauseThreshold)
                                    : defaultPauseThreshold;
    }
};

} // namespace tandrel
