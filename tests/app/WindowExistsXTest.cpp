// WindowExists against real windows of an Xvfb server that the test starts.
#include <gtest/gtest.h>

#ifdef LEDGERLY_TEST_X11

#include "app/Platform.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

// Last: Xlib defines macros (Status, Bool, None) that other headers must not see.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace ledgerly {
namespace {

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t pos = 0;
    while (pos <= dirs.size()) {
        std::size_t colon = dirs.find(':', pos);
        if (colon == std::string::npos) colon = dirs.size();
        const std::string candidate = dirs.substr(pos, colon - pos) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        pos = colon + 1;
    }
    return {};
}

// An Xvfb server on a display it picks itself (-displayfd), so that tests
// running side by side never collide; stopped at the end of the test.
class XvfbTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string xvfb = FindProgram("Xvfb");
        if (xvfb.empty()) GTEST_SKIP() << "Xvfb is not installed: WindowExists is not tested against a real window (scripts/test.sh installs it).";
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            const int devnull = ::open("/dev/null", O_RDWR);
            ::dup2(devnull, 0);
            ::dup2(devnull, 1);
            ::dup2(devnull, 2);
            const std::string fd = std::to_string(fds[1]);
            ::execl(xvfb.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0", "320x240x24", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        std::string number;
        char c;
        while (::read(fds[0], &c, 1) == 1 && c != '\n') number.push_back(c);
        ::close(fds[0]);
        ASSERT_FALSE(number.empty()) << "Xvfb did not start";
        const char* old = std::getenv("DISPLAY");
        savedDisplay_ = old ? std::optional<std::string>(old) : std::nullopt;
        display_ = ":" + number;
        ::setenv("DISPLAY", display_.c_str(), 1);
        for (int i = 0; i < 100 && !dpy_; ++i) {
            dpy_ = XOpenDisplay(display_.c_str());
            if (!dpy_) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ASSERT_NE(dpy_, nullptr) << "cannot open " << display_;
    }

    void TearDown() override {
        if (dpy_) XCloseDisplay(dpy_);
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
        if (savedDisplay_) ::setenv("DISPLAY", savedDisplay_->c_str(), 1);
        else ::unsetenv("DISPLAY");
    }

    Window MakeWindow() {
        const Window w = XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), 0, 0, 50, 50, 0, 0, 0);
        XMapWindow(dpy_, w);
        return w;
    }
    void SetUtf8Name(Window w, const std::string& title) {
        XChangeProperty(dpy_, w, XInternAtom(dpy_, "_NET_WM_NAME", False), XInternAtom(dpy_, "UTF8_STRING", False), 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
    }
    void Sync() { XSync(dpy_, False); }

    Display* dpy_ = nullptr;
    pid_t pid_ = -1;
    std::string display_;
    std::optional<std::string> savedDisplay_;
};

TEST_F(XvfbTest, TitlesOfTopLevelWindowsWithoutAWindowManager) {
    const Window unnamed = MakeWindow();
    (void)unnamed;
    Sync();
    EXPECT_FALSE(WindowExists("Eudora"));
    EXPECT_FALSE(WindowExists(""));  // windows without a title are skipped

    const Window eudora = MakeWindow();
    XStoreName(dpy_, eudora, "Eudora Pro - test");
    Sync();
    struct Case { const char* start; bool expected; };
    const Case cases[] = {
        {"Eudora", true}, {"Eudora Pro - test", true}, {"", true},
        {"eudora", false},                    // case-sensitive
        {"Pro", false},                       // the beginning of the title only
        {"Eudora Pro - test and more", false},
    };
    for (const Case& c : cases) EXPECT_EQ(WindowExists(c.start), c.expected) << c.start;

    XDestroyWindow(dpy_, eudora);
    Sync();
    EXPECT_FALSE(WindowExists("Eudora"));
}

TEST_F(XvfbTest, NetWmNameIsPreferredAndTitlesAreReadTo127Characters) {
    const Window w = MakeWindow();
    XStoreName(dpy_, w, "Legacy name");
    SetUtf8Name(w, "Eudora \xE2\x80\x93 Inbox");
    const Window longTitle = MakeWindow();
    const std::string title = std::string(127, 'x') + "YZ";
    XStoreName(dpy_, longTitle, title.c_str());
    Sync();
    EXPECT_TRUE(WindowExists("Eudora \xE2\x80\x93"));
    EXPECT_FALSE(WindowExists("Legacy"));
    EXPECT_TRUE(WindowExists(std::string(127, 'x')));
    EXPECT_FALSE(WindowExists(std::string(127, 'x') + "Y"));
}

TEST_F(XvfbTest, ClientListOfAWindowManagerIsWalkedWhenPresent) {
    const Window listed = MakeWindow();
    SetUtf8Name(listed, "Other Program");
    const Window unlisted = MakeWindow();
    XStoreName(dpy_, unlisted, "Eudora");
    const Atom clientList = XInternAtom(dpy_, "_NET_CLIENT_LIST", False);
    const unsigned long ids[] = {listed, 0x7fffff0};  // a stale id: the window is gone
    XChangeProperty(dpy_, DefaultRootWindow(dpy_), clientList, XA_WINDOW, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(ids), 2);
    Sync();
    EXPECT_TRUE(WindowExists("Other"));
    EXPECT_FALSE(WindowExists("Eudora"));  // a frame or helper window that the window manager does not list
}

}  // namespace
}  // namespace ledgerly

#endif
