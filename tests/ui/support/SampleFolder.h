#pragma once
// A small data folder for window tests and the screenshot: a few mailboxes
// with their TOC files, two mail folders with their descmap.pce.
#include <filesystem>
#include <string>
#include <vector>

#include "store/MailboxBuilder.h"

namespace ledgerly::test {

inline void WriteSamplePair(const std::string& folder, const std::string& file, const std::string& name, std::int16_t type, int count) {
    std::filesystem::create_directories(folder);
    MailboxBuilder b;
    b.Name(name).Type(type);
    for (int i = 1; i <= count; ++i)
        b.Add(ComposeMessage({"From: Ann Example <ann@example.com>", "To: bob@example.org", "Subject: Note " + std::to_string(i),
                              "Date: Mon, 13 Dec 2010 18:45:29 +0100"},
                             "Hello,\r\nsee http://example.com/" + std::to_string(i) + "\r\n"),
              "Ann Example", "Note " + std::to_string(i), "18:45 13.12.2010");
    (void)b.Write(folder + file + ".");
}

// `root` ends in the separator.
inline void WriteSampleFolder(const std::string& root) {
    WriteSamplePair(root, "In", "In", 0, 12);
    WriteSamplePair(root, "Out", "Out", 1, 4);
    WriteSamplePair(root, "Trash", "Trash", 2, 3);
    WriteSamplePair(root, "Junk", "Junk", 2, 2);
    WriteSamplePair(root + "Work.fol/", "Projects", "Projects", 2, 7);
    WriteSamplePair(root + "Work.fol/", "Clients", "Clients", 2, 5);
    WriteSamplePair(root + "Personal.fol/", "Family", "Family", 2, 6);
    WriteSamplePair(root + "attach/", "NotAMailbox", "NotAMailbox", 2, 1);
    std::filesystem::create_directories(root + "Personal.fol/Trips.fol");
    WriteSamplePair(root + "Personal.fol/Trips.fol/", "Summer", "Summer", 2, 9);
    auto write = [](const std::string& path, const std::string& text) {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (f) { std::fwrite(text.data(), 1, text.size(), f); std::fclose(f); }
    };
    write(root + "descmap.pce", "In,In.mbx,S,N\r\nOut,Out.mbx,S,N\r\nWork Mail,Work.fol,F,N\r\nPersonal,Personal.fol,F,N\r\n");
    write(root + "Personal.fol/descmap.pce", "Family,Family.mbx,M,N\r\nTravel,Trips.fol,F,N\r\n");
}

}  // namespace ledgerly::test
