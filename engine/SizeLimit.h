#pragma once

// Needs: nothing: a plain value.
//
// The largest box a picture will be drawn in, and how it is fitted there, so a
// reader can decode it no larger than it will be seen. It says nothing about
// where the picture is placed or cropped: that stays the scene's.

namespace vornak_engine {

// Cover: the picture fills the box, its overflow cut off. Contain: it lies
// wholly inside the box.
enum class Fit : int { Cover = 0, Contain = 1 };

struct SizeLimit {
    int width = 0; // 0 (or less) in either: no limit
    int height = 0;
    Fit fit = Fit::Contain;

    bool none() const { return width <= 0 || height <= 0; }
};

inline bool operator==(const SizeLimit& a, const SizeLimit& b)
{
    return a.none() ? b.none() : (a.width == b.width && a.height == b.height && a.fit == b.fit);
}
inline bool operator!=(const SizeLimit& a, const SizeLimit& b) { return !(a == b); }

// A strict order in which every "no limit" is one value, for keyed lookups.
inline bool operator<(const SizeLimit& a, const SizeLimit& b)
{
    if (a.none() || b.none())
        return a.none() && !b.none();
    if (a.width != b.width)
        return a.width < b.width;
    if (a.height != b.height)
        return a.height < b.height;
    return static_cast<int>(a.fit) < static_cast<int>(b.fit);
}

} // namespace vornak_engine
