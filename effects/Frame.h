// The frame: everything drawn for one row of the show.
//
// composeFrame renders the symbol and the equaliser into their own targets,
// layers video, equaliser, lasers, circles, the outlined symbol and the
// strobe into sceneTarget, builds the glow from it and combines both into the
// letterboxed window. It keeps no state between frames and allocates nothing;
// every value comes from the tracks at the row. In the studio alone, layers
// may be muted or soloed and the camera flown (StudioOverride).
#pragma once

// Draws the picture for a row into the letterboxed window.
void composeFrame(double row);
