#include "mining/MinerPlacement.h"

#include <algorithm>

#include "app/IniFile.h"

namespace ledgerly {
namespace {

constexpr const char* kSection = "Windows";

long long ReadNumber(const char* key, const char* defaultValue, const std::string& iniPath) {
    const std::string text = ReadIni(kSection, key, defaultValue, iniPath);
    const std::optional<double> value = ParseIniNumber(text);
    // A number far outside any placement ("1e300") stays outside it, without
    // overflowing the conversion to an integer.
    return value ? static_cast<long long>(std::clamp(*value, -1e15, 1e15)) : 0;
}

}  // namespace

PlacementDecision DecidePlacement(const MinerPlacement& saved) {
    PlacementDecision d;
    d.rect = saved;
    switch (saved.state) {
        case 2: d.action = PlacementAction::Maximise; return d;
        case 1: d.action = PlacementAction::Minimise; return d;
        case 0: break;
        default: d.action = PlacementAction::AsDesigned; return d;
    }
    d.action = PlacementAction::Normal;
    MinerPlacement& r = d.rect;
    if (r.height < 4500 || r.height > 24000) r.height = 4500;
    if (r.width < 3200 || r.width > 22000) r.width = 3200;
    if (r.top < 0 || r.top > 22000) r.top = 0;
    if (r.left < 0 || r.left > 22000) r.left = 0;
    return d;
}

MinerPlacement ReadMinerPlacement(const std::string& iniPath) {
    MinerPlacement p;
    p.top = ReadNumber("MinerTop", "0", iniPath);
    p.left = ReadNumber("MinerLeft", "0", iniPath);
    p.width = ReadNumber("MinerWidth", "5000", iniPath);
    p.height = ReadNumber("MinerHeight", "5000", iniPath);
    p.state = ReadNumber("MinerState", "0", iniPath);
    return p;
}

void SaveMinerPlacement(const std::string& iniPath, const MinerPlacement& placement, bool normal) {
    if (normal) {
        WriteIni(kSection, "MinerTop", std::to_string(placement.top), iniPath);
        WriteIni(kSection, "MinerLeft", std::to_string(placement.left), iniPath);
        WriteIni(kSection, "MinerWidth", std::to_string(placement.width), iniPath);
        WriteIni(kSection, "MinerHeight", std::to_string(placement.height), iniPath);
    }
    WriteIni(kSection, "MinerState", std::to_string(placement.state), iniPath);
}

}  // namespace ledgerly
