// The asset set-up: loads every asset of the data directory into the asset
// table, in a fixed order, and reads the sync tracks before the music starts.
// Any failure ends the process with the message of the loader that failed;
// the first missing or broken asset in that order is the one reported.
#pragma once

void loadAssets();
