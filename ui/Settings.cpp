#include "ui/Settings.h"

#include "app/IniFile.h"

namespace ledgerly::ui {

bool KeepSetting(std::string_view section, std::string_view key, const std::string& value, std::string_view defaultValue,
                 const std::string& iniPath) {
    auto trimmed = [](std::string_view v) {
        while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
        while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
        return v;
    };
    if (trimmed(ReadIni(section, key, defaultValue, iniPath)) == trimmed(value)) return true;
    return WriteIni(section, key, value, iniPath);
}

}  // namespace ledgerly::ui
