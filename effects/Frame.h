// The frame: everything drawn for one row of the show.
#pragma once

// Draws the picture for a row into the letterboxed window.
void composeFrame(double row);
