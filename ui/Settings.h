#pragma once
// Writing the settings file only where a value differs from what it holds
// (or, for a missing key, from the key's default): opening and closing the
// program without changing anything creates no file.
#include <string>
#include <string_view>

namespace ledgerly::ui {

// [Settings] DataFolder: the data folder the user chose, for the starts that find none.
inline constexpr const char* kDataFolderKey = "DataFolder";

// False only when a write was needed and failed.
bool KeepSetting(std::string_view section, std::string_view key, const std::string& value, std::string_view defaultValue,
                 const std::string& iniPath);

}  // namespace ledgerly::ui
