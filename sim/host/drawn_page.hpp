// Stand-in host: what one frame of a settings page drew, read back from its draw list.
//
// Dear ImGui 1.86 has no test engine, so the host reads the geometry back the way a person reads
// the screen: each glyph quad is recognised by its texture coordinates in the font atlas and text
// runs are rebuilt (spaces from the pen's advance); a checkbox is a square frame fill, optionally
// followed by a check-mark stroke, then a text run at the label's place; a rule is a flat stroke
// in the border colour (one 1.5-pixel stroke between two points).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sim/host/host_api.hpp"

struct ImDrawList;
struct ImFont;
struct ImGuiStyle;

namespace sim::host {

struct PixelRect {
    float x0 = 0;
    float y0 = 0;
    float x1 = 0;
    float y1 = 0;
    float CentreX() const { return (x0 + x1) * 0.5f; }
    float CentreY() const { return (y0 + y1) * 0.5f; }
};

struct DrawnText {
    std::string text;
    PixelRect rect;
    float alpha = 1;  // the text colour's opacity: 1 normally, 0.5 in a greyed block
};

struct DrawnCheckbox {
    std::string label;
    PixelRect box;
    PixelRect labelRect;
    bool ticked = false;
    float alpha = 1;  // the label's opacity
};

struct DrawnRule {
    float x1 = 0;
    float x2 = 0;
    float y = 0;
};

struct SIM_HOST_API DrawnPage {
    PixelRect window;
    std::vector<DrawnText> texts;  // every text run, the checkbox labels included
    std::vector<DrawnCheckbox> checkboxes;
    std::vector<DrawnRule> rules;

    // The checkbox with this label, or null when the frame did not draw it.
    const DrawnCheckbox* Find(std::string_view label) const;
    std::vector<std::string> Labels() const;
    // The labels drawn after `first` and before `last`, in order.
    std::vector<std::string> LabelsBetween(std::string_view first, std::string_view last) const;
};

SIM_HOST_API DrawnPage ReadDrawList(const ImDrawList& list, const ImFont& font,
                                    const ImGuiStyle& style);

}  // namespace sim::host
