#include "StudioPanels.h"

#include "CurveViewPanel.h"

#include "tandem1.0/GL.h"

#include "imgui.h"
#include "imgui_impl_glut.h"
#include "imgui_impl_opengl2.h"

#include <GL/freeglut.h>

#include "tandem1.0/SoundSync.h"

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

// This ImGui samples the buttons once a frame, so a press and its release
// between two frames (a quick click on a slow frame) would never be seen: a
// release waits until a frame has been built with its button down.
const int kButtonCount = 5;
int64_t panelFrames = 0;
int64_t pressFrame[kButtonCount];
bool releaseWaiting[kButtonCount];
int releaseX = 0, releaseY = 0;

const ImGuiWindowFlags kPanelFlags = ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoResize |
                                     ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings;
// The grid: a label column (row and section), then one column per track.
const int kLabelChars = 12; // "3840 " and the section's name, cut
const float kCellPadding = 2.0f;
const int kHeaderLines = 2; // the source's name, the track's
const int kValueCapacity = 32;

// Colours, ABGR as ImGui packs them.
const ImU32 kGridBackground = IM_COL32(18, 18, 22, 255);
const ImU32 kBeatLine = IM_COL32(60, 60, 70, 255);
const ImU32 kBarLine = IM_COL32(130, 130, 150, 255);
const ImU32 kGroupLine = IM_COL32(110, 110, 130, 255);
const ImU32 kCursorRowFill = IM_COL32(70, 60, 20, 255);
const ImU32 kCursorCellFrame = IM_COL32(255, 210, 80, 255);
const ImU32 kBlockFill = IM_COL32(40, 80, 140, 140);
const ImU32 kValueText = IM_COL32(120, 120, 130, 255);
const ImU32 kKeyText = IM_COL32(250, 250, 250, 255);
const ImU32 kLabelText = IM_COL32(150, 150, 160, 255);
const ImU32 kSectionText = IM_COL32(255, 200, 90, 255);
const ImU32 kHeaderText = IM_COL32(210, 210, 220, 255);
const ImU32 kErrorText = IM_COL32(255, 110, 100, 255);
const ImU32 kBookmarkColour = IM_COL32(240, 120, 220, 255);
// A key's background by its interpolation: hold, linear, smooth, quad.
// The grid's first column shown, kept between frames so that it scrolls only
// as far as the cursor's column needs.
int gridFirstColumn = 0;
CurveViewCost curveViewCost{0.0, 0.0};

const ImU32 kKeyFill[] = {
    IM_COL32(60, 70, 110, 255),
    IM_COL32(40, 110, 60, 255),
    IM_COL32(130, 80, 30, 255),
    IM_COL32(100, 50, 120, 255),
};
const char* const kInterpolationNames[] = {"hold", "linear", "smooth", "quad"};
const char* const kKeyHelp[] = {
    "Up/Down row  Shift beat  PgUp/PgDn bar  Shift+PgUp/PgDn section",
    "g go to  s speed  p print position  Space play  [ ] L loop",
    "Left/Right track  number+Enter set  i interpolation  Del remove",
    "Ctrl+Up/Down nudge (Shift x10)  Alt+Up/Down move key (Shift beat)",
    "b mark, Ctrl+C copy, Ctrl+V paste  Ctrl+Z undo  Ctrl+Shift+Z redo",
    "Curves: drag a key (by beats, Shift rows); b marks more tracks",
    "f fly the camera (k keys it)  M/S mute, solo a layer",
    "m bookmark set/clear  , . previous/next  timeline: click scrub, wheel zoom",
    "Tab picture alone  Esc quit",
};

ImU32 keyFill(int32_t interpolation) {
    return interpolation >= INTERP_HOLD && interpolation <= INTERP_QUADRATIC
               ? kKeyFill[interpolation]
               : kKeyFill[INTERP_HOLD];
}

void beginPanel(const char* title, const PixelRect& rect) {
    ImGui::SetNextWindowPos(ImVec2(float(rect.x), float(rect.y)));
    ImGui::SetNextWindowSize(ImVec2(float(rect.width), float(rect.height)));
    ImGui::Begin(title, nullptr, kPanelFlags);
}

// Fly mode's pose and the layers' mute (M) and solo (S) switches.
const char* const kFlyHelp =
    "fly: drag orbit, Shift+drag or right-drag pan, wheel dolly, Ctrl+wheel fov, Shift+wheel "
    "roll; k keys the camera at the cursor row, f or Esc leaves";
const ImVec4 kSwitchOn = ImVec4(0.85f, 0.55f, 0.1f, 1.0f);

bool layerSwitch(const char* label, bool on) {
    if (on) ImGui::PushStyleColor(ImGuiCol_Button, kSwitchOn);
    const bool clicked = ImGui::SmallButton(label);
    if (on) ImGui::PopStyleColor();
    return clicked;
}

void drawFlyPose(const CameraPose& p) {
    ImGui::TextColored(kSwitchOn, "fly mode");
    ImGui::Text("angle %.4g  dist %.4g  fov %.4g  roll %.4g", double(p.angle), double(p.dist),
                double(p.fov), double(p.roll));
    ImGui::Text("offset %.4g %.4g %.4g", double(p.offset[0]), double(p.offset[1]),
                double(p.offset[2]));
    ImGui::Text("tgt %.4g %.4g %.4g", double(p.target[0]), double(p.target[1]),
                double(p.target[2]));
    ImGui::TextWrapped("%s", kFlyHelp);
}

// Right under the transport, so the switches keep their place.
void drawLayerSwitches(const LayerFlags& layers, PanelActions* actions) {
    for (int layer = 0; layer < LAYER_COUNT; ++layer) {
        ImGui::PushID(layer);
        if (layer % 2) ImGui::SameLine(ImGui::GetWindowContentRegionMax().x * 0.5f);
        if (layerSwitch("M", layers.muted[layer])) actions->toggleMute = layer;
        ImGui::SameLine(0.0f, 1.0f);
        if (layerSwitch("S", layers.soloed[layer])) actions->toggleSolo = layer;
        ImGui::SameLine();
        if (layerShown(layers, FrameLayer(layer)))
            ImGui::TextUnformatted(kFrameLayerNames[layer]);
        else
            ImGui::TextDisabled("%s", kFrameLayerNames[layer]);
        ImGui::PopID();
    }
}

void drawSidePanel(const PanelView& view, PanelActions* actions) {
    beginPanel("halcyon-studio", view.layout.side);
    const Transport& transport = *view.transport;
    ImGui::Text("%s", view.position);
    ImGui::Text("row %.1f  %s", transport.row, sectionAt(*view.map, transport.row));
    ImGui::Text("%s at %s speed  loop %.0f..%.0f %s  %.1f ms",
                transport.playing ? "playing" : "paused",
                view.speed == 1.0   ? "full"
                : view.speed == 0.5 ? "half"
                                    : "quarter",
                transport.loop.start, transport.loop.end,
                loopInForce(transport.loop) ? "on" : "off", view.frameMs);
    ImGui::Separator();
    drawLayerSwitches(*view.layers, actions);
    ImGui::Separator();
    if (view.cursorColumn >= 0 && view.cursorColumn < int(view.columns->size())) {
        const GridColumn& column = (*view.columns)[size_t(view.cursorColumn)];
        ImGui::Text("%s  (%s.tracks)", column.name.c_str(), column.group.c_str());
        const GridCell cell = gridCell(column.track, int(transport.row));
        if (cell.isKey)
            ImGui::Text("key %g %s", double(cell.value),
                        kInterpolationNames[cell.interpolation >= INTERP_HOLD &&
                                                    cell.interpolation <= INTERP_QUADRATIC
                                                ? cell.interpolation
                                                : INTERP_HOLD]);
        else
            ImGui::Text("value %g", double(cell.value));
        if (view.cellInfo[0]) ImGui::TextWrapped("%s", view.cellInfo);
    }
    if (view.hasMark) ImGui::Text("block from row %d", view.markRow);
    if (view.prompt[0]) ImGui::Text("%s_", view.prompt);
    if (view.message[0]) ImGui::TextWrapped("%s", view.message);
    ImGui::PushStyleColor(ImGuiCol_Text, kErrorText);
    if (!view.errors->empty()) ImGui::TextWrapped("%s", view.errors->c_str());
    ImGui::PopStyleColor();
    ImGui::Separator();
    if (view.flyPose) {
        drawFlyPose(*view.flyPose);
        ImGui::Separator();
    }
    ImGui::TextDisabled("keys: - hold  / linear  ~ smooth  ^ quad");
    for (const char* line : kKeyHelp)
        ImGui::TextDisabled("%s", line);
    ImGui::End();
}

void drawGrid(const PanelView& view) {
    const PixelRect& rect = view.layout.grid;
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0.0f, 0.0f));
    beginPanel("tracks", rect);
    ImGui::PopStyleVar();
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    const ImVec2 avail = ImGui::GetContentRegionAvail();
    const float charWidth = ImGui::CalcTextSize("0").x;
    const float rowHeight = ImGui::GetTextLineHeight() + 1.0f;
    const float labelWidth = kLabelChars * charWidth + 2.0f * kCellPadding;
    // Columns keep a readable width; those that do not fit scroll sideways.
    const int allColumns = int(view.columns->size());
    const float columnWidth = allColumns > 0
                                  ? std::max(charWidth * kMinColumnChars + 2.0f * kCellPadding,
                                             (avail.x - labelWidth) / allColumns)
                                  : 0.0f;
    const int shownColumns =
        allColumns > 0 ? std::max(1, int((avail.x - labelWidth) / columnWidth)) : 0;
    gridFirstColumn =
        firstShownColumn(gridFirstColumn, view.cursorColumn, shownColumns, allColumns);
    const int firstColumn = gridFirstColumn;
    const int columnCount = std::min(shownColumns, allColumns - firstColumn);
    const std::vector<GridColumn>& columns = *view.columns;
    const int valueChars = std::max(1, int((columnWidth - 2.0f * kCellPadding) / charWidth));
    const float headerHeight = kHeaderLines * rowHeight;
    const int rowsShown = std::max(1, int((avail.y - headerHeight) / rowHeight));
    const int cursorRow = int(view.transport->row);
    const int firstRow = firstShownRow(cursorRow, rowsShown);
    const float top = origin.y + headerHeight;
    const float right = origin.x + labelWidth + columnWidth * columnCount;
    draw->AddRectFilled(origin, ImVec2(origin.x + avail.x, origin.y + avail.y), kGridBackground);

    char text[kValueCapacity];
    // The headers: each source's name over its first column, then the
    // tracks' own names cut to the column.
    for (int c = 0; c < columnCount; ++c) {
        const GridColumn& column = columns[size_t(firstColumn + c)];
        const float x = origin.x + labelWidth + columnWidth * c;
        // A source scrolled partly out of view is named over its first column shown.
        if (column.opensGroup || c == 0) {
            draw->AddLine(ImVec2(x, origin.y), ImVec2(x, top + rowsShown * rowHeight), kGroupLine);
            int width = 1;
            while (c + width < columnCount && !columns[size_t(firstColumn + c + width)].opensGroup)
                ++width;
            const int chars = int((columnWidth * width - 2.0f * kCellPadding) / charWidth);
            const char* group = column.group.c_str();
            draw->AddText(ImVec2(x + kCellPadding, origin.y), kSectionText, group,
                          group + std::min(column.group.size(), size_t(std::max(chars, 1))));
        }
        abbreviateTrackName(column.name, valueChars, text, sizeof text);
        draw->AddText(ImVec2(x + kCellPadding, origin.y + rowHeight),
                      firstColumn + c == view.cursorColumn ? kCursorCellFrame : kHeaderText, text);
    }

    const int blockFirstRow = std::min(view.markRow, cursorRow);
    const int blockLastRow = std::max(view.markRow, cursorRow);
    const int blockFirstColumn =
        std::max(std::min(view.markColumn, view.cursorColumn) - firstColumn, 0);
    const int blockLastColumn =
        std::min(std::max(view.markColumn, view.cursorColumn) - firstColumn, columnCount - 1);
    for (int i = 0; i < rowsShown; ++i) {
        const int row = firstRow + i;
        const float y = top + rowHeight * i;
        if (row < 0 || row > int(view.transport->endRow)) continue;
        if (row == cursorRow)
            draw->AddRectFilled(ImVec2(origin.x, y), ImVec2(right, y + rowHeight), kCursorRowFill);
        if (view.hasMark && row >= blockFirstRow && row <= blockLastRow &&
            blockFirstColumn <= blockLastColumn)
            draw->AddRectFilled(
                ImVec2(origin.x + labelWidth + columnWidth * blockFirstColumn, y),
                ImVec2(origin.x + labelWidth + columnWidth * (blockLastColumn + 1), y + rowHeight),
                kBlockFill);
        const RowLine line = rowLine(row);
        if (line != LINE_NONE)
            draw->AddLine(ImVec2(origin.x, y), ImVec2(right, y),
                          line == LINE_BAR ? kBarLine : kBeatLine, line == LINE_BAR ? 2.0f : 1.0f);
        const trackc::Section* section = sectionStartingAt(*view.map, row);
        // A bookmark: a bar at the label's left, its name where no section's is.
        const Bookmark* bookmark = bookmarkAt(*view.bookmarks, row);
        snprintf(text, sizeof text, "%4d %s", row,
                 section    ? section->name.c_str()
                 : bookmark ? bookmark->name.c_str()
                            : "");
        draw->PushClipRect(ImVec2(origin.x, y), ImVec2(origin.x + labelWidth, y + rowHeight), true);
        if (bookmark)
            draw->AddRectFilled(ImVec2(origin.x, y), ImVec2(origin.x + kCellPadding, y + rowHeight),
                                kBookmarkColour);
        draw->AddText(ImVec2(origin.x + kCellPadding, y),
                      section    ? kSectionText
                      : bookmark ? kBookmarkColour
                                 : kLabelText,
                      text);
        draw->PopClipRect();
        for (int c = 0; c < columnCount; ++c) {
            const GridCell cell = gridCell(columns[size_t(firstColumn + c)].track, row);
            const float x = origin.x + labelWidth + columnWidth * c;
            if (cell.isKey)
                draw->AddRectFilled(ImVec2(x + 1.0f, y + 1.0f),
                                    ImVec2(x + columnWidth - 1.0f, y + rowHeight),
                                    keyFill(cell.interpolation));
            // A key shows its interpolation's mark where the column has room.
            const bool marked = cell.isKey && valueChars >= 6;
            formatCellValue(cell.value, valueChars - (marked ? 1 : 0), text + 1, sizeof text - 1);
            text[0] = interpolationMark(cell.interpolation);
            draw->AddText(ImVec2(x + kCellPadding, y), cell.isKey ? kKeyText : kValueText,
                          marked ? text : text + 1);
            if (row == cursorRow && firstColumn + c == view.cursorColumn)
                draw->AddRect(ImVec2(x, y), ImVec2(x + columnWidth, y + rowHeight),
                              kCursorCellFrame, 0.0f, 0, 2.0f);
        }
    }
    // A column's full name where the mouse points at its header.
    const ImVec2 mouse = ImGui::GetIO().MousePos;
    if (mouse.y >= origin.y && mouse.y < top && mouse.x >= origin.x + labelWidth &&
        mouse.x < right) {
        const int c = int((mouse.x - origin.x - labelWidth) / columnWidth);
        if (c >= 0 && c < columnCount)
            ImGui::SetTooltip("%s", columns[size_t(firstColumn + c)].name.c_str());
    }
    ImGui::End();
}

// The timeline strip: the envelope of the music across the whole band, the
// sections' names along its top, bar ticks, the loop, bookmarks and the play
// head. The band is the panel's whole width, so that a window position maps
// to a row with timelineRowAt and the panel's rectangle alone (the studio
// reads clicks there itself).
const ImU32 kTimelineBackground = IM_COL32(14, 14, 18, 255);
const ImU32 kSectionFill[] = {IM_COL32(30, 30, 40, 255), IM_COL32(24, 24, 32, 255)};
const ImU32 kSectionLine = IM_COL32(150, 130, 80, 255);
const ImU32 kPeakColour = IM_COL32(60, 110, 150, 255);
const ImU32 kLoudColour = IM_COL32(110, 180, 230, 255);
const ImU32 kTickColour = IM_COL32(110, 110, 125, 255);
const ImU32 kLoopFill = IM_COL32(60, 140, 60, 60);
const ImU32 kLoopMark = IM_COL32(90, 210, 90, 255);
const ImU32 kPlayHead = IM_COL32(255, 230, 120, 255);
const float kTickHeight = 4.0f;
const float kBarLabelEvery = 4.0f; // ticks this much taller every few steps

// The envelope as an image, drawn again only when the band, the span or the
// summary change (while playing in the whole view, never), and shown as one
// textured quad: thousands of one-pixel bars a frame would cost the software
// renderer milliseconds.
struct EnvelopeCache {
    std::vector<ImU32> pixels;
    GLuint texture = 0;
    int width = 0;
    int height = 0;
    TimelineSpan span{0.0, 0.0};
    const LoudnessSummary* summary = nullptr;
};
EnvelopeCache envelope;

void fillEnvelope(const LoudnessSummary& summary, const TimelineSpan& span, int width, int height) {
    if (envelope.summary == &summary && envelope.width == width && envelope.height == height &&
        envelope.span.first == span.first && envelope.span.last == span.last)
        return;
    envelope.pixels.assign(size_t(width) * size_t(height), 0);
    const double framesPerRow = kMusicFrameRate / kRowRate;
    const float half = float(height) * 0.5f;
    const auto fill = [&](int x, float from, float to, ImU32 colour) {
        const int top = std::max(0, int(std::floor(half - to * half)));
        const int bottom = std::min(height - 1, int(std::ceil(half - from * half)));
        for (int y = top; y <= bottom; ++y)
            envelope.pixels[size_t(y) * size_t(width) + size_t(x)] = colour;
    };
    for (int x = 0; x < width; ++x) {
        const double first = span.first + (span.last - span.first) * x / width;
        const double last = span.first + (span.last - span.first) * (x + 1) / width;
        const LoudnessBucket bucket =
            loudnessOver(summary, first * framesPerRow, last * framesPerRow);
        const float loud = std::sqrt(bucket.meanSquare);
        fill(x, bucket.low, bucket.high, kPeakColour);
        fill(x, -loud, loud, kLoudColour);
    }
    // Texture unit 0 and its binding are put back: the frame's render-state
    // cache relies on them.
    GLint activeTexture = GL_TEXTURE0, bound = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &activeTexture);
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    if (envelope.texture == 0) glGenTextures(1, &envelope.texture);
    glBindTexture(GL_TEXTURE_2D, envelope.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 envelope.pixels.data());
    glBindTexture(GL_TEXTURE_2D, GLuint(bound));
    glActiveTexture(GLenum(activeTexture));
    envelope.summary = &summary;
    envelope.span = span;
    envelope.width = width;
    envelope.height = height;
}

void drawTimeline(const PanelView& view) {
    const PixelRect& rect = view.layout.timeline;
    if (rect.width <= 0 || rect.height <= 0) return;
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0.0f, 0.0f));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0.0f);
    // No title bar: the whole rectangle is the band that clicks map to.
    ImGui::SetNextWindowPos(ImVec2(float(rect.x), float(rect.y)));
    ImGui::SetNextWindowSize(ImVec2(float(rect.width), float(rect.height)));
    ImGui::Begin("timeline", nullptr,
                 kPanelFlags | ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoScrollbar);
    ImGui::PopStyleVar(2);
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const TimelineSpan& span = view.timelineSpan;
    const float left = float(rect.x), top = float(rect.y);
    const float right = left + float(rect.width), bottom = top + float(rect.height);
    const float width = float(rect.width);
    const float lineHeight = ImGui::GetTextLineHeight();
    const auto xOf = [&](double row) { return float(timelineX(span, left, width, row)); };
    const auto visible = [&](double row) { return row >= span.first && row <= span.last; };
    draw->AddRectFilled(ImVec2(left, top), ImVec2(right, bottom), kTimelineBackground);

    // Sections, shaded in turn, their names along the top.
    const std::vector<trackc::Section>& sections = view.map->sections;
    for (size_t i = 0; i < sections.size(); ++i) {
        const trackc::Section& section = sections[i];
        if (section.end < span.first || section.start > span.last) continue;
        const float x0 = std::max(left, xOf(section.start));
        const float x1 = std::min(right, xOf(section.end));
        draw->AddRectFilled(ImVec2(x0, top), ImVec2(x1, bottom), kSectionFill[i % 2]);
        if (visible(section.start))
            draw->AddLine(ImVec2(x0, top), ImVec2(x0, bottom), kSectionLine);
        draw->PushClipRect(ImVec2(x0, top), ImVec2(x1, bottom), true);
        draw->AddText(ImVec2(x0 + kCellPadding, top), kSectionText, section.name.c_str());
        draw->PopClipRect();
    }

    // The envelope between the names and the bookmarks' line.
    const float waveTop = top + lineHeight;
    const float waveBottom = std::max(waveTop, bottom - lineHeight);
    const int waveHeight = int(waveBottom - waveTop);
    if (view.loudness && waveHeight > 0) {
        fillEnvelope(*view.loudness, span, rect.width, waveHeight);
        draw->AddImage(reinterpret_cast<ImTextureID>(intptr_t(envelope.texture)),
                       ImVec2(left, waveTop), ImVec2(right, waveTop + float(waveHeight)));
    }

    // Bar ticks, thinned; every fourth one taller.
    const double pixelsPerRow = width / (span.last - span.first);
    const int step = barTickStep(pixelsPerRow);
    const double stepRows = double(step) * kRowsPerBar;
    for (double row = std::ceil(span.first / stepRows) * stepRows; row <= span.last;
         row += stepRows) {
        const bool tall = std::fmod(row / stepRows, kBarLabelEvery) == 0.0;
        const float x = xOf(row);
        draw->AddLine(ImVec2(x, waveBottom - (tall ? 2.0f : 1.0f) * kTickHeight),
                      ImVec2(x, waveBottom), kTickColour);
    }

    // The loop: its marks once set, shaded while in force.
    const Loop& loop = view.transport->loop;
    if (loopInForce(loop))
        draw->AddRectFilled(ImVec2(std::max(left, xOf(loop.start)), waveTop),
                            ImVec2(std::min(right, xOf(loop.end)), waveBottom), kLoopFill);
    if (loop.start > 0.0 || loop.end < view.transport->endRow || loopInForce(loop)) {
        for (const double row : {loop.start, loop.end})
            if (visible(row))
                draw->AddLine(ImVec2(xOf(row), waveTop), ImVec2(xOf(row), waveBottom), kLoopMark,
                              2.0f);
    }

    // Bookmarks: a line through the envelope and the name below it.
    for (const Bookmark& bookmark : *view.bookmarks) {
        if (!visible(bookmark.row)) continue;
        const float x = xOf(bookmark.row);
        draw->AddLine(ImVec2(x, waveTop), ImVec2(x, bottom), kBookmarkColour);
        draw->AddText(ImVec2(x + kCellPadding, waveBottom), kBookmarkColour, bookmark.name.c_str());
    }

    if (visible(view.transport->row)) {
        const float x = xOf(view.transport->row);
        draw->AddLine(ImVec2(x, top), ImVec2(x, bottom), kPlayHead, 2.0f);
    }
    ImGui::End();
}

} // namespace

void initPanels() {
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    // The panels' places come from the window's size; nothing to keep.
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    ImGui::StyleColorsDark();
    ImGui::GetStyle().WindowRounding = 0.0f;
    ImGui::GetStyle().Colors[ImGuiCol_WindowBg].w = 1.0f;
    ImGui_ImplGLUT_Init();
    ImGui_ImplOpenGL2_Init();
}

namespace {

double threadCpuMs() {
    timespec cpu;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
    return double(cpu.tv_sec) * 1e3 + double(cpu.tv_nsec) / 1e6;
}

} // namespace

void buildPanels(const PanelView& view, PanelActions* actions) {
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2(float(view.windowWidth), float(view.windowHeight));
    ImGui_ImplOpenGL2_NewFrame();
    ImGui_ImplGLUT_NewFrame();
    drawSidePanel(view, actions);
    const double gridStartMs = threadCpuMs();
    drawGrid(view);
    const double curvesStartMs = threadCpuMs();
    drawCurveView(view, actions);
    const double curvesEndMs = threadCpuMs();
    curveViewCost = CurveViewCost{curvesEndMs - curvesStartMs, curvesEndMs - gridStartMs};
    drawTimeline(view);
    actions->timelineBuildMs = threadCpuMs() - curvesEndMs;
    ImGui::Render();
    ++panelFrames;
}

CurveViewCost lastCurveViewCost() {
    return curveViewCost;
}

void buildErrorMarker(const char* text, int windowWidth, int windowHeight) {
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2(float(windowWidth), float(windowHeight));
    ImGui_ImplOpenGL2_NewFrame();
    ImGui_ImplGLUT_NewFrame();
    // Sized by hand: a window that sizes itself is hidden on its first frame,
    // and a paused studio may draw only that one.
    const ImVec2 padding = ImGui::GetStyle().WindowPadding;
    const ImVec2 textSize = ImGui::CalcTextSize(text);
    ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
    ImGui::SetNextWindowSize(ImVec2(textSize.x + 2.0f * padding.x, textSize.y + 2.0f * padding.y));
    ImGui::Begin("error", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoInputs |
                     ImGuiWindowFlags_NoSavedSettings);
    ImGui::PushStyleColor(ImGuiCol_Text, kErrorText);
    ImGui::TextUnformatted(text);
    ImGui::PopStyleColor();
    ImGui::End();
    ImGui::Render();
}

void renderPanels() {
    // The fixed-function renderer draws from client arrays with texture unit
    // 0 and no program: what the frame left bound comes back afterwards.
    GLint program = 0, arrayBuffer = 0, elementBuffer = 0, activeTexture = GL_TEXTURE0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBuffer);
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &elementBuffer);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &activeTexture);
    glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_TEXTURE_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glUseProgram(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glActiveTexture(GL_TEXTURE0);
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
    glPopClientAttrib();
    glPopAttrib();
    glActiveTexture(GLenum(activeTexture));
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, GLuint(elementBuffer));
    glBindBuffer(GL_ARRAY_BUFFER, GLuint(arrayBuffer));
    glUseProgram(GLuint(program));
}

void panelsMouseButton(int button, int state, int x, int y) {
    if (button >= 0 && button < kButtonCount) {
        if (state == GLUT_DOWN) {
            pressFrame[button] = panelFrames;
        } else if (pressFrame[button] == panelFrames) {
            releaseWaiting[button] = true;
            releaseX = x;
            releaseY = y;
            return;
        }
    }
    ImGui_ImplGLUT_MouseFunc(button, state, x, y);
}

bool panelsNeedAnotherFrame() {
    bool waiting = false;
    for (int button = 0; button < kButtonCount; ++button) {
        if (!releaseWaiting[button] || pressFrame[button] == panelFrames) continue;
        releaseWaiting[button] = false;
        ImGui_ImplGLUT_MouseFunc(button, GLUT_UP, releaseX, releaseY);
        waiting = true;
    }
    return waiting;
}

void panelsMouseMotion(int x, int y) {
    ImGui_ImplGLUT_MotionFunc(x, y);
}

void setPanelsClipboard(const char* text) {
    ImGui::SetClipboardText(text);
}
