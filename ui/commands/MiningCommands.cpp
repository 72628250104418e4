// The "&Extract URL" commands and "&Harvest E-Mail Addresses...": each runs
// its engine on the selected mailbox file and opens a results window.
#include "mining/AddressHarvester.h"
#include "mining/LinkMiner.h"
#include "ui/CommandPattern.h"
#include "ui/CommandRegistry.h"
#include "ui/MainWindowApi.h"
#include "ui/MinerResultsWindow.h"

namespace ledgerly::ui {
namespace {

void MineWith(MainWindowApi& main, const LinkSwitches& switches) {
    RunMailboxCommand(main, FileChecks::MbxOnly, false, [&](ToolRun& run) {
        if (const std::optional<MinerResult> result = MineLinks(run.context, run.key, switches)) MinerResultsWindow::Open(main, *result);
    });
}

template <LinkKind Kind>
void MineOne(MainWindowApi& main) { MineWith(main, OnlyKind(Kind)); }

void MineAll(MainWindowApi& main) { MineWith(main, AllKinds()); }

void Harvest(MainWindowApi& main) {
    RunMailboxCommand(main, FileChecks::MbxOnly, false, [&](ToolRun& run) {
        main.lockForTool(true);
        const std::optional<MinerResult> result = HarvestAddresses(run.context, run.key);
        if (result) MinerResultsWindow::Open(main, *result);
        main.unlockAfterTool(true);
    });
}

const CommandRegistrar kEMail("menuExtractEMails", &MineOne<LinkKind::EMail>);
const CommandRegistrar kWeb("menuWebAddresses", &MineOne<LinkKind::Web>);
const CommandRegistrar kFiles("menuFileReferences", &MineOne<LinkKind::Files>);
const CommandRegistrar kFtp("menuFTPLinks", &MineOne<LinkKind::Ftp>);
const CommandRegistrar kTelnet("menuTelnetLinks", &MineOne<LinkKind::Telnet>);
const CommandRegistrar kUsenet("menuUsenetLinks", &MineOne<LinkKind::Usenet>);
const CommandRegistrar kPh("menuPhLinks", &MineOne<LinkKind::Ph>);
const CommandRegistrar kFinger("menuFingerLinks", &MineOne<LinkKind::Finger>);
const CommandRegistrar kRtsp("menuRTSPLinks", &MineOne<LinkKind::Rtsp>);
const CommandRegistrar kOptions("menuXOptionsLinks", &MineOne<LinkKind::EudoraOptions>);
const CommandRegistrar kAll("menuExtractAll", &MineAll);
const CommandRegistrar kHarvest("menuHarvestEMailAddresses", &Harvest);

}  // namespace
}  // namespace ledgerly::ui
