#pragma once
// Where a results window opens, from the values saved in the settings file
// (section Windows, in twips).
#include <optional>
#include <string>

namespace ledgerly {

struct MinerPlacement {
    long long top = 0, left = 0, width = 5000, height = 5000;
    long long state = 0;  // 0 normal, 1 minimised, 2 maximised
};

enum class PlacementAction { Normal, Minimise, Maximise, AsDesigned };

struct PlacementDecision {
    PlacementAction action = PlacementAction::AsDesigned;
    MinerPlacement rect;  // for Normal: the clamped rectangle
};

// State 2 maximises and 1 minimises without moving; state 0 clamps: height
// below 4500 or above 24000 becomes 4500, width below 3200 or above 22000
// becomes 3200, a top or left edge outside 0..22000 becomes 0. Any other
// state leaves the window as designed.
PlacementDecision DecidePlacement(const MinerPlacement& saved);

// Reads the five keys (a value that is not a number reads as 0).
MinerPlacement ReadMinerPlacement(const std::string& iniPath);
// Saves top, left, width and height only when `normal`; the state always.
void SaveMinerPlacement(const std::string& iniPath, const MinerPlacement& placement, bool normal);

}  // namespace ledgerly
