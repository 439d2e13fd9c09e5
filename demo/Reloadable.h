#pragma once

// A scene that can take fresh shaders and pictures while the show runs. The
// engine's Scene stays as it is; the demo reaches this side through dynamic_cast.

class Reload;

class Reloadable {
public:
    // Swaps in the touched files that load; keeps what it had for the others.
    virtual void reload(Reload& reload) = 0;

protected:
    ~Reloadable() = default;
};
