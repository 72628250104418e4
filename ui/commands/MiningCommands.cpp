// The "&Extract URL" commands and "&Harvest E-Mail Addresses...": each runs
// its engine on the selected mailbox file and opens a results window.
#include <memory>

#include "mining/AddressHarvester.h"
#include "mining/LinkMiner.h"
#include "ui/CommandPattern.h"
#include "ui/CommandRegistry.h"
#include "ui/MainWindowApi.h"
#include "ui/MinerResultsWindow.h"

namespace ledgerly::ui {
namespace {

// The miners read only: a Stop drops what they found so far.
void Mine(MainWindowApi& main, const char* control, const char* title,
          std::function<std::optional<MinerResult>(ToolContext&, const std::string&)> engine) {
    auto found = std::make_shared<std::optional<MinerResult>>();
    RunMailboxCommand(
        main, {control, title, FileChecks::MbxOnly, false, Change::None, StopMode::Abandon},
        [engine, found](ToolContext& c, const std::string& key) {
            *found = engine(c, key);
            return ToolOutcome{};
        },
        [&main, found](ToolOutcome&, const ToolRunEnd& end) {
            if (*found && end.Completed()) MinerResultsWindow::Open(main, **found);
        });
}

void MineWith(MainWindowApi& main, const char* control, const char* title, const LinkSwitches& switches) {
    Mine(main, control, title, [switches](ToolContext& c, const std::string& key) { return MineLinks(c, key, switches); });
}

struct LinkCommand {
    const char* control;
    const char* title;
    LinkKind kind;
};
constexpr LinkCommand kLinkCommands[] = {
    {"menuExtractEMails", "Extract E-Mail Links", LinkKind::EMail},
    {"menuWebAddresses", "Extract Web Links", LinkKind::Web},
    {"menuFileReferences", "Extract File References", LinkKind::Files},
    {"menuFTPLinks", "Extract FTP Links", LinkKind::Ftp},
    {"menuTelnetLinks", "Extract Telnet Links", LinkKind::Telnet},
    {"menuUsenetLinks", "Extract Usenet News Links", LinkKind::Usenet},
    {"menuPhLinks", "Extract Ph Links", LinkKind::Ph},
    {"menuFingerLinks", "Extract Finger Links", LinkKind::Finger},
    {"menuRTSPLinks", "Extract RTSP Links", LinkKind::Rtsp},
    {"menuXOptionsLinks", "Extract X-Eudora-Options Links", LinkKind::EudoraOptions},
};

void MineAll(MainWindowApi& main) { MineWith(main, "menuExtractAll", "Extract All Links", AllKinds()); }

void Harvest(MainWindowApi& main) {
    Mine(main, "menuHarvestEMailAddresses", "Harvest E-Mail Addresses",
         [](ToolContext& c, const std::string& key) { return HarvestAddresses(c, key); });
}

const bool kLinksRegistered = [] {
    for (const LinkCommand& c : kLinkCommands)
        RegisterCommand(c.control, [c](MainWindowApi& main) { MineWith(main, c.control, c.title, OnlyKind(c.kind)); });
    return true;
}();
const CommandRegistrar kAll("menuExtractAll", &MineAll);
const CommandRegistrar kHarvest("menuHarvestEMailAddresses", &Harvest);

}  // namespace
}  // namespace ledgerly::ui
