#include "CurveViewPanel.h"

#include "imgui.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

const ImGuiWindowFlags kCurveFlags =
    ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoCollapse |
    ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoScrollbar;
const int kLabelChars = 6;       // the range's ends, left of the plot
const float kPlotPadding = 6.0f; // inside the window, round the plot
const float kKeyRadius = 3.5f;
const float kKeyHitRadius = 7.0f;     // a press this near a key takes it
const float kCurveHoverPixels = 8.0f; // hovering this near a curve shows its value
const float kCurveThickness = 1.5f;
const int kTextCapacity = 96;

// Colours, ABGR as ImGui packs them.
const ImU32 kBackground = IM_COL32(18, 18, 22, 255);
const ImU32 kBeatLine = IM_COL32(45, 45, 55, 255);
const ImU32 kBarLine = IM_COL32(100, 100, 120, 255);
const ImU32 kZeroLine = IM_COL32(150, 150, 150, 255);
const ImU32 kCursorLine = IM_COL32(255, 210, 80, 255);
const ImU32 kLabelText = IM_COL32(150, 150, 160, 255);
const ImU32 kDragLine = IM_COL32(255, 255, 255, 160);
// One per track, the block's first column first; distinct on the dark ground.
const ImU32 kCurveColours[] = {
    IM_COL32(80, 200, 255, 255),  IM_COL32(255, 120, 80, 255),  IM_COL32(140, 230, 90, 255),
    IM_COL32(230, 110, 230, 255), IM_COL32(250, 230, 90, 255),  IM_COL32(90, 240, 200, 255),
    IM_COL32(255, 160, 180, 255), IM_COL32(170, 150, 255, 255), IM_COL32(200, 200, 200, 255),
    IM_COL32(255, 180, 60, 255),  IM_COL32(120, 170, 120, 255), IM_COL32(120, 140, 220, 255),
};
static_assert(sizeof kCurveColours / sizeof kCurveColours[0] == kMostCurves,
              "a colour for every curve");

// Kept between frames: the key being dragged, the frame it was taken in
// (the view holds still under a drag, so that the pointer's movement maps
// to the same rows and values throughout) and the hovered key's text.
struct CurveViewState {
    bool dragging = false;
    int column = 0; // the grid's
    CurveDrag drag{};
    CurveFrame frame{};
    int hoverColumn = -1;
    int32_t hoverRow = -1;
    std::string hoverPosition; // the hovered key's row as the sources write it
};
CurveViewState state;
float samples[kMostCurves * kCurveSamples];
ImVec2 points[kCurveSamples];

ImVec2 at(const CurveFrame& frame, double row, float value) {
    return ImVec2(rowToX(frame, row), valueToY(frame, value));
}

void drawGridLines(ImDrawList* draw, const CurveFrame& frame, double cursorRow) {
    const float bottom = frame.y + frame.height;
    for (int32_t row = frame.span.firstRow; row <= frame.span.lastRow; row += kRowsPerBeat) {
        const bool bar = row % kRowsPerBar == 0;
        const float x = rowToX(frame, row);
        draw->AddLine(ImVec2(x, frame.y), ImVec2(x, bottom), bar ? kBarLine : kBeatLine);
    }
    if (frame.range.low < 0.0f && frame.range.high > 0.0f) {
        const float y = valueToY(frame, 0.0f);
        draw->AddLine(ImVec2(frame.x, y), ImVec2(frame.x + frame.width, y), kZeroLine);
    }
    if (cursorRow >= frame.span.firstRow && cursorRow <= frame.span.lastRow) {
        const float x = rowToX(frame, cursorRow);
        draw->AddLine(ImVec2(x, frame.y), ImVec2(x, bottom), kCursorLine, 2.0f);
    }
    char text[kTextCapacity];
    snprintf(text, sizeof text, "%.*g", kLabelChars - 1, double(frame.range.high));
    draw->AddText(
        ImVec2(frame.x - kLabelChars * ImGui::CalcTextSize("0").x - kPlotPadding, frame.y),
        kLabelText, text);
    snprintf(text, sizeof text, "%.*g", kLabelChars - 1, double(frame.range.low));
    draw->AddText(ImVec2(frame.x - kLabelChars * ImGui::CalcTextSize("0").x - kPlotPadding,
                         bottom - ImGui::GetTextLineHeight()),
                  kLabelText, text);
}

// The hovered key's value and position, or the value of the curve nearest
// the pointer at its row.
void showHover(const PanelView& view, const CurveFrame& frame, int firstColumn, int curves,
               ImVec2 mouse) {
    for (int i = 0; i < curves; ++i) {
        const GridColumn& column = (*view.columns)[size_t(firstColumn + i)];
        const int key = keyNear(frame, column.track, mouse.x, mouse.y, kKeyHitRadius);
        if (key < 0) continue;
        const Key& found = column.track->keys[key];
        // Formatting a position allocates: only when another key is hovered.
        if (state.hoverColumn != firstColumn + i || state.hoverRow != found.row) {
            state.hoverColumn = firstColumn + i;
            state.hoverRow = found.row;
            state.hoverPosition = trackc::formatPosition(*view.map, found.row);
        }
        ImGui::SetTooltip("%s  key %g at %s", column.name.c_str(), double(found.value),
                          state.hoverPosition.c_str());
        return;
    }
    const int32_t row = std::max(
        frame.span.firstRow, std::min(frame.span.lastRow, snapRow(xToRow(frame, mouse.x), true)));
    int nearest = -1;
    float best = kCurveHoverPixels;
    for (int i = 0; i < curves; ++i) {
        const float value = samples[i * kCurveSamples + (row - frame.span.firstRow)];
        const float distance = std::fabs(valueToY(frame, value) - mouse.y);
        if (distance <= best) {
            best = distance;
            nearest = i;
        }
    }
    if (nearest >= 0)
        ImGui::SetTooltip(
            "%s  %g at row %d", (*view.columns)[size_t(firstColumn + nearest)].name.c_str(),
            double(samples[nearest * kCurveSamples + (row - frame.span.firstRow)]), int(row));
}

} // namespace

void drawCurveView(const PanelView& view, PanelActions* actions) {
    const PixelRect& rect = view.layout.curves;
    ImGui::SetNextWindowPos(ImVec2(float(rect.x), float(rect.y)));
    ImGui::SetNextWindowSize(ImVec2(float(rect.width), float(rect.height)));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0.0f, 0.0f));
    ImGui::Begin("curves", nullptr, kCurveFlags);
    ImGui::PopStyleVar();
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    const ImVec2 avail = ImGui::GetContentRegionAvail();
    draw->AddRectFilled(origin, ImVec2(origin.x + avail.x, origin.y + avail.y), kBackground);

    // The selection: the marked block's columns, else the cursor's.
    const int columnCount = int(view.columns->size());
    int firstColumn = view.cursorColumn, lastColumn = view.cursorColumn;
    if (view.hasMark) {
        firstColumn = std::min(view.markColumn, view.cursorColumn);
        lastColumn = std::max(view.markColumn, view.cursorColumn);
    }
    firstColumn = std::max(firstColumn, 0);
    lastColumn = std::min(lastColumn, columnCount - 1);
    const int curves = std::max(0, std::min(kMostCurves, lastColumn - firstColumn + 1));

    // The names, each in its curve's colour, on the first line; without
    // their objects ("dist" of "Camera:dist") where the full names do not fit.
    const float lineHeight = ImGui::GetTextLineHeight();
    float namesWidth = 0.0f;
    for (int i = 0; i < curves; ++i)
        namesWidth += ImGui::CalcTextSize((*view.columns)[size_t(firstColumn + i)].name.c_str()).x +
                      2.0f * kPlotPadding;
    float nameX = origin.x + kPlotPadding;
    for (int i = 0; i < curves; ++i) {
        const std::string& name = (*view.columns)[size_t(firstColumn + i)].name;
        const size_t colon = name.find(':');
        const char* shown =
            name.c_str() + (namesWidth > avail.x && colon != std::string::npos ? colon + 1 : 0);
        draw->AddText(ImVec2(nameX, origin.y), kCurveColours[i], shown);
        nameX += ImGui::CalcTextSize(shown).x + 2.0f * kPlotPadding;
    }

    const double cursorRow = view.transport->row;
    const CurveSpan span = curveSpan(int32_t(std::floor(cursorRow)));
    for (int i = 0; i < curves; ++i)
        sampleCurve((*view.columns)[size_t(firstColumn + i)].track, span,
                    samples + i * kCurveSamples);
    const float labelWidth = kLabelChars * ImGui::CalcTextSize("0").x + 2.0f * kPlotPadding;
    CurveFrame frame{origin.x + labelWidth,
                     origin.y + lineHeight + kPlotPadding,
                     std::max(1.0f, avail.x - labelWidth - kPlotPadding),
                     std::max(1.0f, avail.y - lineHeight - 2.0f * kPlotPadding),
                     span,
                     curveRange(samples, curves * kCurveSamples)};
    // Under a drag the view holds still, in the span and range it was taken in.
    if (state.dragging) frame = state.frame;
    draw->PushClipRect(origin, ImVec2(origin.x + avail.x, origin.y + avail.y), true);
    drawGridLines(draw, frame, cursorRow);
    for (int i = 0; i < curves; ++i) {
        const Track* track = (*view.columns)[size_t(firstColumn + i)].track;
        if (frame.span.firstRow != span.firstRow)
            sampleCurve(track, frame.span, samples + i * kCurveSamples);
        for (int32_t s = 0; s < kCurveSamples; ++s)
            points[s] = at(frame, frame.span.firstRow + s, samples[i * kCurveSamples + s]);
        draw->AddPolyline(points, kCurveSamples, kCurveColours[i], 0, kCurveThickness);
        for (int k = 0; k < track->keyCount; ++k) {
            const Key& key = track->keys[k];
            if (key.row < frame.span.firstRow || key.row > frame.span.lastRow) continue;
            draw->AddCircleFilled(at(frame, key.row, key.value), kKeyRadius, kCurveColours[i]);
        }
    }

    const ImGuiIO& io = ImGui::GetIO();
    const ImVec2 mouse = io.MousePos;
    const bool inPlot = ImGui::IsWindowHovered() && mouse.x >= frame.x - kKeyHitRadius &&
                        mouse.x <= frame.x + frame.width + kKeyHitRadius &&
                        mouse.y >= frame.y - kKeyHitRadius &&
                        mouse.y <= frame.y + frame.height + kKeyHitRadius;
    if (state.dragging && (state.column < firstColumn || state.column >= firstColumn + curves))
        state.dragging = false; // its column left the selection
    if (!state.dragging && inPlot && ImGui::IsMouseClicked(ImGuiMouseButton_Left)) {
        for (int i = 0; i < curves && !state.dragging; ++i) {
            const Track* track = (*view.columns)[size_t(firstColumn + i)].track;
            const int key = keyNear(frame, track, mouse.x, mouse.y, kKeyHitRadius);
            if (key < 0) continue;
            state.dragging = true;
            state.column = firstColumn + i;
            state.drag = CurveDrag{track->keys[key].row, track->keys[key].value, mouse.x, mouse.y};
            state.frame = frame;
        }
    }
    if (state.dragging) {
        const DragTarget target = dragTarget(frame, state.drag, mouse.x, mouse.y, view.mouseShift);
        const ImVec2 from = at(frame, state.drag.fromRow, state.drag.fromValue);
        const ImVec2 to = at(frame, target.row, target.value);
        draw->AddLine(from, to, kDragLine);
        draw->AddCircle(to, kKeyRadius + 2.0f, kCurveColours[state.column - firstColumn], 0, 2.0f);
        const GridColumn& column = (*view.columns)[size_t(state.column)];
        ImGui::SetTooltip("%s  key %g at row %d", column.name.c_str(), double(target.value),
                          int(target.row));
        if (!ImGui::IsMouseDown(ImGuiMouseButton_Left)) {
            state.dragging = false;
            actions->curveDragDone = true;
            actions->curveTrack = column.name;
            actions->curveFromRow = state.drag.fromRow;
            actions->curveFromValue = state.drag.fromValue;
            actions->curveTarget = target;
        }
    } else if (inPlot) {
        showHover(view, frame, firstColumn, curves, mouse);
    }
    draw->PopClipRect();
    ImGui::End();
}
