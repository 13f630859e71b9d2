// The compositor check: one connection, one round trip for the registry's
// globals, no window. Windows has no Wayland, so there the check reports that
// no compositor answers.
#include "platform/window/WaylandSession.h"

#include <algorithm>

#if !defined(_WIN32)
#include <wayland-client.h>
#endif

namespace platform {
namespace {

struct NeededGlobal {
    const char* interface;
    const char* what;
};

// What SDL's Wayland driver reaches for while it starts and opens a window.
constexpr NeededGlobal kNeededGlobals[] = {
    {"wl_compositor", "surfaces"},
    {"wl_shm", "shared-memory buffers"},
    {"xdg_wm_base", "top-level windows"},
    {"wl_seat", "keyboard and pointer"},
};

#if !defined(_WIN32)
void OnGlobal(void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
    static_cast<std::vector<std::string>*>(data)->push_back(interface);
}
void OnGlobalRemoved(void*, wl_registry*, uint32_t) {}
constexpr wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemoved};
#endif

} // namespace

std::string WaylandSession::Shortcoming() const {
    if (!reachable)
        return "does not answer";
    std::string text = "offers no ";
    for (const std::string& interface : missing) {
        if (&interface != &missing.front())
            text += ", no ";
        text += interface;
        for (const NeededGlobal& needed : kNeededGlobals)
            if (interface == needed.interface)
                text += std::string(" (") + needed.what + ")";
    }
    return text;
}

std::vector<std::string> MissingWaylandGlobals(const std::vector<std::string>& offered) {
    std::vector<std::string> missing;
    for (const NeededGlobal& needed : kNeededGlobals)
        if (std::find(offered.begin(), offered.end(), needed.interface) == offered.end())
            missing.push_back(needed.interface);
    return missing;
}

WaylandSession CheckWaylandSession() {
    WaylandSession session;
#if !defined(_WIN32)
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return session;
    std::vector<std::string> offered;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, &offered);
    session.reachable = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    if (session.reachable)
        session.missing = MissingWaylandGlobals(offered);
#endif
    return session;
}

} // namespace platform
