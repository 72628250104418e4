#include "app/ProgressMeter.h"

namespace ledgerly {

std::string GroupThousands(std::int64_t n) {
    const std::string digits = std::to_string(n < 0 ? -n : n);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(',');
        out.push_back(digits[i]);
    }
    return n < 0 ? "-" + out : out;
}

std::string ProgressText(std::string_view what, std::int64_t done, std::int64_t total, std::string_view unit) {
    std::string text = std::string(what) + ": " + GroupThousands(done);
    if (total > 0) text += " / " + GroupThousands(total);
    return text + " " + std::string(unit);
}

std::optional<std::string> ProgressMeter::Update(std::string_view what, std::int64_t done, std::int64_t total, std::string_view unit,
                                                 Clock::time_point now) {
    if (what != run_) {
        run_ = std::string(what);
        start_ = now;
        drawn_ = false;
    }
    if (now - start_ < kQuietStart) return std::nullopt;
    if (drawn_ && now - lastDrawn_ < kInterval) return std::nullopt;
    drawn_ = true;
    lastDrawn_ = now;
    return ProgressText(what, done, total, unit);
}

}  // namespace ledgerly
