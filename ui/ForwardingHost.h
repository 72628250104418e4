#pragma once
// A Host that hands every call on to another: a run that needs to answer one
// call itself overrides just that one.
#include "app/Host.h"

namespace ledgerly::ui {

class ForwardingHost : public Host {
public:
    explicit ForwardingHost(Host& inner) : inner_(inner) {}
    void Status(std::string_view text) override { inner_.Status(text); }
    void Inform(std::string_view text, std::string_view title, BoxIcon icon) override { inner_.Inform(text, title, icon); }
    bool Ask(std::string_view question, std::string_view title) override { return inner_.Ask(question, title); }
    void Wait(int milliseconds) override { inner_.Wait(milliseconds); }
    bool EudoraRunning() override { return inner_.EudoraRunning(); }
    void OpenProgress() override { inner_.OpenProgress(); }
    void UpdateProgress() override { inner_.UpdateProgress(); }
    void CloseProgress() override { inner_.CloseProgress(); }
    void Progress(std::string_view what, std::int64_t done, std::int64_t total, std::string_view unit) override {
        inner_.Progress(what, done, total, unit);
    }
    bool StopRequested() override { return inner_.StopRequested(); }

protected:
    Host& inner_;
};

}  // namespace ledgerly::ui
