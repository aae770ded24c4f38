#pragma once

// EventSeam lives with the recording seam it extends.
#include "support/recording_seam.h"
