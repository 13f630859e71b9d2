// What the Wayland compositor of the session offers, checked before SDL's
// Wayland driver is let near it. Internal to platform/window.
#pragma once

#include <string>
#include <vector>

namespace platform {

struct WaylandSession {
    // False when WAYLAND_DISPLAY names no compositor that answers.
    bool reachable = false;
    // The globals SDL's Wayland driver needs that the compositor does not
    // offer (empty when it can be used).
    std::vector<std::string> missing;

    bool Usable() const { return reachable && missing.empty(); }
    // "offers no wl_seat (keyboard and pointer)", "does not answer", …
    std::string Shortcoming() const;
};

// The needed globals absent from a compositor's list of offered interfaces.
// SDL 2.26 dereferences a missing seat inside its video start-up, so a
// compositor without one (weston's headless backend) would crash the program.
std::vector<std::string> MissingWaylandGlobals(const std::vector<std::string>& offered);

// Connects to the compositor of WAYLAND_DISPLAY (or its default socket),
// reads its globals once and disconnects.
WaylandSession CheckWaylandSession();

} // namespace platform
