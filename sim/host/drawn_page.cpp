// Stand-in host: reading a settings page back from its draw list.
#include "sim/host/drawn_page.hpp"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>

#include "sim/game/utf8.hpp"

namespace sim::host {

// ---- Colours and glyphs -------------------------------------------------------------------------

namespace {

constexpr ImU32 kRgbMask = 0x00FFFFFFu;

ImU32 Rgb(const ImVec4& colour) {
    return ImGui::ColorConvertFloat4ToU32(colour) & kRgbMask;
}
float Alpha(ImU32 colour) {
    return static_cast<float>(colour >> IM_COL32_A_SHIFT) / 255.0f;
}
bool SameUv(const ImVec2& a, float u, float v) {
    return a.x == u && a.y == v;
}

// Glyphs by the texture coordinates of their top-left corner: distinct for every glyph.
class GlyphAtlas {
public:
    explicit GlyphAtlas(const ImFont& font) : font_(font) {
        for (const ImFontGlyph& glyph : font.Glyphs) {
            if (glyph.Visible) byCorner_.emplace(std::pair(glyph.U0, glyph.V0), &glyph);
        }
        const ImFontGlyph* space = font.FindGlyphNoFallback(' ');
        spaceAdvance_ = space != nullptr ? space->AdvanceX : font.FallbackAdvanceX;
    }

    // The glyph drawn by the four vertices at `v`, if they are one glyph quad.
    const ImFontGlyph* QuadAt(const ImDrawVert* v) const {
        const auto found = byCorner_.find(std::pair(v[0].uv.x, v[0].uv.y));
        if (found == byCorner_.end()) return nullptr;
        const ImFontGlyph& g = *found->second;
        const bool quad = SameUv(v[1].uv, g.U1, g.V0) && SameUv(v[2].uv, g.U1, g.V1) &&
                          SameUv(v[3].uv, g.U0, g.V1);
        return quad ? &g : nullptr;
    }

    float SpaceAdvance() const { return spaceAdvance_; }
    float LineHeight() const { return font_.FontSize; }

private:
    const ImFont& font_;
    std::map<std::pair<float, float>, const ImFontGlyph*> byCorner_;
    float spaceAdvance_ = 0;
};

// ---- Pieces -------------------------------------------------------------------------------------

// What one stretch of vertices drew. The draw list holds them in drawing order.
struct Piece {
    enum class Kind { Text, Fill, CheckMark, Rule };
    Kind kind;
    DrawnText text;  // Text
    PixelRect rect;  // Fill, CheckMark (one vertex), Rule (its extent)
    ImU32 colour = 0;
};

// A rectangle fill without rounding: four vertices of one colour, corners in this order.
std::optional<PixelRect> FillAt(const ImDrawVert* v, const ImVec2& whiteUv) {
    for (int k = 0; k < 4; ++k) {
        if (v[k].col != v[0].col || !SameUv(v[k].uv, whiteUv.x, whiteUv.y)) return std::nullopt;
    }
    const ImVec2 a = v[0].pos;
    const ImVec2 c = v[2].pos;
    const bool corners = v[1].pos.x == c.x && v[1].pos.y == a.y && v[3].pos.x == a.x &&
                         v[3].pos.y == c.y && a.x < c.x && a.y < c.y;
    if (!corners) return std::nullopt;
    return PixelRect{a.x, a.y, c.x, c.y};
}

class PieceReader {
public:
    PieceReader(const ImDrawList& list, const ImFont& font, const ImGuiStyle& style)
        : list_(list), atlas_(font), style_(style) {}

    std::vector<Piece> Read() {
        const ImDrawVert* v = list_.VtxBuffer.Data;
        const int count = list_.VtxBuffer.Size;
        const ImVec2 whiteUv = list_._Data->TexUvWhitePixel;
        const ImU32 checkRgb = Rgb(style_.Colors[ImGuiCol_CheckMark]);
        const ImU32 borderRgb = Rgb(style_.Colors[ImGuiCol_Border]);
        int i = 0;
        while (i < count) {
            if (i + 4 <= count) {
                if (const ImFontGlyph* glyph = atlas_.QuadAt(v + i)) {
                    AddGlyph(*glyph, v[i]);
                    i += 4;
                    continue;
                }
                if (const auto fill = FillAt(v + i, whiteUv)) {
                    Close();
                    pieces_.push_back(Piece{Piece::Kind::Fill, {}, *fill, v[i].col});
                    i += 4;
                    continue;
                }
            }
            const ImU32 rgb = v[i].col & kRgbMask;
            const bool plain = SameUv(v[i].uv, whiteUv.x, whiteUv.y);
            if (plain && rgb == borderRgb) {
                AddRuleVertex(v[i]);
            } else if (rgb == checkRgb && Alpha(v[i].col) > 0) {
                Close();
                const PixelRect at{v[i].pos.x, v[i].pos.y, v[i].pos.x, v[i].pos.y};
                pieces_.push_back(Piece{Piece::Kind::CheckMark, {}, at, v[i].col});
            } else {
                Close();
            }
            ++i;
        }
        Close();
        return std::move(pieces_);
    }

private:
    // One glyph: continues the open text run when it sits on the same baseline.
    void AddGlyph(const ImFontGlyph& glyph, const ImDrawVert& corner) {
        const float penX = corner.pos.x - glyph.X0;
        const float penY = corner.pos.y - glyph.Y0;
        if (open_ != Open::Text || penY != textPenY_) {
            Close();
            open_ = Open::Text;
            textPenY_ = penY;
            current_ = Piece{Piece::Kind::Text, {}, {}, corner.col};
            current_.text.rect = PixelRect{penX, penY, penX, penY + atlas_.LineHeight()};
            current_.text.alpha = Alpha(corner.col);
        } else {
            const float gap = penX - current_.text.rect.x1;
            const long spaces = std::lround(gap / atlas_.SpaceAdvance());
            if (spaces > 0) current_.text.text.append(static_cast<std::size_t>(spaces), ' ');
        }
        emu::AppendUtf8(current_.text.text, glyph.Codepoint);
        current_.text.rect.x1 = penX + glyph.AdvanceX;
    }

    // A rule is one anti-aliased stroke between two points, thicker than a pixel: four vertices
    // per point, the outer two see-through fringe. Only the opaque ones give the extent.
    void AddRuleVertex(const ImDrawVert& vertex) {
        constexpr int kStrokeVertices = 8;
        if (open_ != Open::Rule || ruleVertices_ == kStrokeVertices) {
            Close();
            open_ = Open::Rule;
            ruleHasExtent_ = false;
            ruleVertices_ = 0;
            current_ = Piece{Piece::Kind::Rule, {}, {}, vertex.col};
        }
        ++ruleVertices_;
        if (Alpha(vertex.col) == 0) return;
        PixelRect& r = current_.rect;
        if (!ruleHasExtent_) r = PixelRect{vertex.pos.x, vertex.pos.y, vertex.pos.x, vertex.pos.y};
        ruleHasExtent_ = true;
        r.x0 = std::min(r.x0, vertex.pos.x);
        r.x1 = std::max(r.x1, vertex.pos.x);
        r.y0 = std::min(r.y0, vertex.pos.y);
        r.y1 = std::max(r.y1, vertex.pos.y);
    }

    void Close() {
        if (open_ == Open::Text || (open_ == Open::Rule && ruleHasExtent_)) {
            pieces_.push_back(std::move(current_));
        }
        open_ = Open::None;
    }

    enum class Open { None, Text, Rule };
    const ImDrawList& list_;
    GlyphAtlas atlas_;
    const ImGuiStyle& style_;
    std::vector<Piece> pieces_;
    Open open_ = Open::None;
    Piece current_{Piece::Kind::Text, {}, {}, 0};
    float textPenY_ = 0;
    bool ruleHasExtent_ = false;
    int ruleVertices_ = 0;
};

bool Inside(const PixelRect& outer, const PixelRect& point) {
    return point.x0 >= outer.x0 && point.x0 <= outer.x1 && point.y0 >= outer.y0 &&
           point.y0 <= outer.y1;
}

}  // namespace

// ---- ReadDrawList -------------------------------------------------------------------------------

DrawnPage ReadDrawList(const ImDrawList& list, const ImFont& font, const ImGuiStyle& style) {
    const ImU32 frameRgb = Rgb(style.Colors[ImGuiCol_FrameBg]);
    const ImU32 frameLitRgb = Rgb(style.Colors[ImGuiCol_FrameBgHovered]);
    const ImU32 frameActiveRgb = Rgb(style.Colors[ImGuiCol_FrameBgActive]);
    // A stroke 1.5 pixels thick, drawn half a pixel in: its opaque core is at most this tall.
    constexpr float kFlatStroke = 3.0f;
    constexpr float kPlaceTolerance = 1.0f;

    DrawnPage page;
    std::optional<DrawnCheckbox> box;  // a frame fill waiting for its label
    for (Piece& piece : PieceReader(list, font, style).Read()) {
        switch (piece.kind) {
            case Piece::Kind::Fill: {
                const ImU32 rgb = piece.colour & kRgbMask;
                const PixelRect& r = piece.rect;
                const bool square = std::fabs((r.x1 - r.x0) - (r.y1 - r.y0)) < kPlaceTolerance;
                const bool frame = rgb == frameRgb || rgb == frameLitRgb || rgb == frameActiveRgb;
                box.reset();
                if (square && frame) box = DrawnCheckbox{{}, r, {}, false, Alpha(piece.colour)};
                break;
            }
            case Piece::Kind::CheckMark:
                if (box && Inside(box->box, piece.rect)) box->ticked = true;
                break;
            case Piece::Kind::Rule:
                box.reset();
                if (piece.rect.y1 - piece.rect.y0 <= kFlatStroke) {
                    // The stroke runs through pixel centres, half a pixel past the rule.
                    page.rules.push_back(DrawnRule{piece.rect.x0 - 0.5f, piece.rect.x1 - 0.5f,
                                                   piece.rect.CentreY() - 0.5f});
                }
                break;
            case Piece::Kind::Text: {
                const DrawnText& text = piece.text;
                const bool labelPlace =
                    box &&
                    std::fabs(text.rect.x0 - (box->box.x1 + style.ItemInnerSpacing.x)) <
                        kPlaceTolerance &&
                    text.rect.y0 >= box->box.y0 && text.rect.y0 < box->box.y1;
                if (labelPlace) {
                    box->label = text.text;
                    box->labelRect = text.rect;
                    box->alpha = text.alpha;
                    page.checkboxes.push_back(std::move(*box));
                }
                box.reset();
                page.texts.push_back(std::move(piece.text));
                break;
            }
        }
    }
    return page;
}

// ---- DrawnPage queries --------------------------------------------------------------------------

const DrawnCheckbox* DrawnPage::Find(std::string_view label) const {
    const auto found = std::find_if(checkboxes.begin(), checkboxes.end(),
                                    [&](const DrawnCheckbox& c) { return c.label == label; });
    return found == checkboxes.end() ? nullptr : &*found;
}

std::vector<std::string> DrawnPage::Labels() const {
    std::vector<std::string> labels;
    for (const DrawnCheckbox& checkbox : checkboxes) labels.push_back(checkbox.label);
    return labels;
}

std::vector<std::string> DrawnPage::LabelsBetween(std::string_view first,
                                                  std::string_view last) const {
    const std::vector<std::string> all = Labels();
    const auto from = std::find(all.begin(), all.end(), first);
    const auto to = std::find(all.begin(), all.end(), last);
    if (from == all.end() || to == all.end() || to < from) return {};
    return std::vector<std::string>(from + 1, to);
}

}  // namespace sim::host
