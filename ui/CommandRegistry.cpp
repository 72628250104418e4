#include "ui/CommandRegistry.h"

#include <map>
#include <string>

namespace ledgerly::ui {
namespace {
std::map<std::string, CommandHandler, std::less<>>& Handlers() {
    static std::map<std::string, CommandHandler, std::less<>> handlers;
    return handlers;
}
}  // namespace

void RegisterCommand(std::string_view menuControl, CommandHandler handler) { Handlers()[std::string(menuControl)] = handler; }

CommandHandler FindCommand(std::string_view menuControl) {
    const auto& h = Handlers();
    const auto it = h.find(menuControl);
    return it == h.end() ? CommandHandler() : it->second;
}

bool RunCommand(std::string_view menuControl, MainWindowApi& main) {
    const CommandHandler handler = FindCommand(menuControl);
    if (!handler) return false;
    handler(main);
    return true;
}

}  // namespace ledgerly::ui
