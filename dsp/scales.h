#pragma once
// Every parameter scale of the processing: device code <-> value <-> display text and
// control position <-> code. One include for the editors; the families live in their own
// headers.

#include "dsp/automix_scales.h"
#include "dsp/channel_scales.h"
#include "dsp/code_range.h"
#include "dsp/dynamics_scales.h"
#include "dsp/eq_scales.h"
