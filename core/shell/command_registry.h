// Command dispatch of the main window: every menu or accelerator command is
// an identifier; each subsystem plugs its handler in for the identifiers it
// serves, so the window never grows a switch over all of them.
#pragma once

#include <functional>
#include <map>

namespace tanvex::shell {

class CommandRegistry {
public:
    // A handler receives the identifier it was called for (so one handler
    // can serve a range) and returns a result (0 = nothing to report).
    using Handler = std::function<int(int id)>;

    // Installs (or replaces) the handler of one identifier / of first..last.
    void add(int id, Handler handler) { handlers_[id] = std::move(handler); }
    void addRange(int first, int last, const Handler& handler) {
        for (int id = first; id <= last; ++id) handlers_[id] = handler;
    }
    void remove(int id) { handlers_.erase(id); }
    bool has(int id) const { return handlers_.count(id) != 0; }

    // Runs the handler of id; an identifier nobody serves yet does nothing
    // and returns 0.
    int run(int id) {
        auto it = handlers_.find(id);
        if (it == handlers_.end()) return 0;
        Handler h = it->second; // a handler may replace itself while running
        return h(id);
    }

private:
    std::map<int, Handler> handlers_;
};

} // namespace tanvex::shell
