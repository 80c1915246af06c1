// CurveViewPanel: the curve view's ImGui window, beside the grid (the layout's
// `curves`). It draws the selected tracks (the cursor's column, or every
// column of the marked block, at most kMostCurves) over the span around the
// cursor, from samples of the sync code's own values, with beat and bar
// lines, the zero line, the cursor's row and each track's name in its
// colour; hovering shows values. A key pressed and dragged is drawn where
// it would go; letting it go reports the drag through PanelActions, which
// the caller turns into edits. Its only state is the drag in progress and
// the hover's text; the samples live in a buffer of fixed size. Main
// thread only, between ImGui's NewFrame and Render.
#pragma once

#include "StudioPanels.h"

void drawCurveView(const PanelView& view, PanelActions* actions);
