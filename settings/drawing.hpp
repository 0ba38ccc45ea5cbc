// General drawing helpers for Dear ImGui windows: section headings, rules, greyed-out rows.
#pragma once

namespace cloak {

// A section heading on one line: a short rule, the title, and a rule running to the window's
// right edge, all centred on the title's line.
void DrawSectionHeader(const char* title);

// A horizontal rule starting at the cursor, `width` pixels long; 0 means the window's full width
// (the column's right content edge inside a column layout). The cursor moves to the end of the
// rule and the line is closed, so a same-line request can continue after it.
void DrawSeparatorLine(float width);

// Rows drawn between these two are greyed out (half the style's alpha) and take no input. Every
// begin needs its end in the same frame.
void BeginDisabledRows();
void EndDisabledRows();

}  // namespace cloak
