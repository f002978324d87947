#pragma once

// Moved to tests/support/temp_folder.h; kept for the files that still include it here.
#include "../support/temp_folder.h"
