#pragma once
// What a terminal shows of a long run's count, and when: nothing during the
// first second (a short run shows nothing), then at most ten times a second,
// as "strip-html: 12,000 / 32,767 messages".
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ledgerly {

// 32767 gives "32,767".
std::string GroupThousands(std::int64_t n);
// "strip-html: 12,000 / 32,767 messages"; without a total, "links: 12,000 lines".
std::string ProgressText(std::string_view what, std::int64_t done, std::int64_t total, std::string_view unit);

class ProgressMeter {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kQuietStart{1000};
    static constexpr std::chrono::milliseconds kInterval{100};

    // The line to draw now, or nullopt when the terminal is to be left alone.
    // A run is known by its name: another name starts the quiet second again.
    std::optional<std::string> Update(std::string_view what, std::int64_t done, std::int64_t total, std::string_view unit,
                                      Clock::time_point now);

private:
    std::string run_;
    Clock::time_point start_{}, lastDrawn_{};
    bool drawn_ = false;
};

}  // namespace ledgerly
