#pragma once
// Menu commands by control name ("menuUpdateAll", ...). Each tool registers its
// handlers from its own file in ui/commands/; the main window's click handlers
// and the palettes look them up. A name with no handler does nothing.
#include <functional>
#include <string_view>

namespace ledgerly::ui {

class MainWindowApi;
using CommandHandler = std::function<void(MainWindowApi& main)>;

void RegisterCommand(std::string_view menuControl, CommandHandler handler);
CommandHandler FindCommand(std::string_view menuControl);
// Runs the handler registered for the control; false when there is none.
bool RunCommand(std::string_view menuControl, MainWindowApi& main);

struct CommandRegistrar {
    CommandRegistrar(std::string_view menuControl, CommandHandler handler) { RegisterCommand(menuControl, handler); }
};

}  // namespace ledgerly::ui
