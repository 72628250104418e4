#pragma once
// Windows paths found inside mail, in Eudora's settings file and in the
// registry, and the local files they mean.
//
// A Windows path ('C:\Eudora\attach\a.pdf') maps to a local path, each
// component matched as Windows does (without regard to case, and an 8.3 short
// name such as 'EUDORA~1' matching the long name it abbreviates):
//   - through the Wine prefix's drive links (<prefix>/dosdevices/c: -> ...)
//     when the data folder lies inside a Wine prefix and the file is there;
//   - else to the longest tail of its components that exists below the data
//     folder: '...\Qualcomm\Eudora\attach\report.pdf' finds
//     '<data folder>/attach/report.pdf' whatever the data folder is called
//     now (a data folder copied from Windows), in 'Embedded' or any folder;
//   - else, for a file that exists nowhere, to where the drive link leads, or,
//     when the path has the data folder's own name as a component, to the
//     rest of it taken relative to the data folder;
//   - else it maps to nothing and stays as written.
// A local path written into mail takes the form Eudora reads: the Windows
// form when a Wine mapping exists, else the native path.
// On Windows itself a path in mail is taken as it stands: it is already a
// local path, there is no Wine prefix and nothing is mapped.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ledgerly {

// 'X:\...' or '\\server\...'.
bool IsWindowsPath(std::string_view path);
// The file name of a path of either kind: cut at the last '\' or '/'.
std::string FileNameOfAnyPath(std::string_view path);
// The Wine prefix that holds `localPath` (a parent with a dosdevices folder),
// else $WINEPREFIX when `localPath` lies inside it; nullopt when none.
std::optional<std::string> FindWinePrefix(std::string_view localPath);

class PathMapper {
public:
    // `dataFolder` is the local data folder (ending in the separator or not).
    // The Wine prefix is found from it; pass one explicitly to override.
    explicit PathMapper(std::string dataFolder, std::optional<std::string> winePrefix = std::nullopt);

    const std::optional<std::string>& winePrefix() const { return prefix_; }
    // The local path a Windows path means; nullopt when it maps to nothing.
    // A path that is not a Windows path is returned as it is.
    std::optional<std::string> ToLocal(std::string_view path) const;
    // The Windows form of a local path through the prefix's drive links; nullopt without one.
    std::optional<std::string> ToWindows(std::string_view localPath) const;
    // How a local path is written into mail.
    std::string ForMail(std::string_view localPath) const;
    // Every form in which mail may name a local file: the native path, then the
    // Windows form when there is one.
    std::vector<std::string> FormsOf(std::string_view localPath) const;

private:
    std::string dataFolder_;
    std::optional<std::string> prefix_;
};

}  // namespace ledgerly
