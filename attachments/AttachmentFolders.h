#pragma once
// Where the attachment tools look for attachment files first: our own
// AttachmentsDir setting, the data folder's "attach" folder, or the folder
// Eudora's own settings file names (AutoReceiveAttachmentsDirectory, a
// Windows path that is mapped to the local file system).
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/WindowsPaths.h"

namespace ledgerly {

inline constexpr const char* kAttachmentsDirKey = "AttachmentsDir";
inline constexpr const char* kEudoraAttachmentsKey = "AutoReceiveAttachmentsDirectory";

// A folder path from a settings file as a local path: mapped when it is a
// Windows path (unchanged when it maps to nothing).
std::string LocalFolderOf(const std::string& path, const PathMapper& mapper);

// The finder's first search folder (none or one), each ending in the separator:
// without Eudora's settings file, AttachmentsDir (default the data folder's
// "attach") when it exists, else the data folder's "attach" when it exists;
// with it, AutoReceiveAttachmentsDirectory when that folder exists.
std::vector<std::string> InitialSearchFolders(const AppState& state, const PathMapper& mapper);

// The link repair window's folders: `remembered` is AttachmentFolder, `shown`
// what the folder box starts with (empty when no candidate exists).
struct AttachmentFolderChoice {
    std::string remembered;
    std::string shown;
};
AttachmentFolderChoice InitialAttachmentFolder(const AppState& state, const PathMapper& mapper);

// On closing the link repair window: AttachmentsDir becomes the shown folder
// if it exists, else the remembered one if it exists; otherwise nothing is
// written. Returns the value written, empty when none.
std::string SaveAttachmentFolder(const AppState& state, const std::string& shown, const std::string& remembered);

}  // namespace ledgerly
