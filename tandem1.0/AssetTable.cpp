#include "AssetTable.h"

AssetTable assets{};
