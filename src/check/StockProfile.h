// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// --profile: the finished part's half-section as a drawing file, SVG or DXF (by the file's
// ending), in millimetres with Z to the right and the radius up.

#include "stock/Profile.h"

#include <optional>
#include <string>
#include <vector>

namespace check {

enum class ProfileFormat { Svg, Dxf };

// By the ending of `path` (".svg" or ".dxf", in any case); none for any other.
std::optional<ProfileFormat> ProfileFormatOf(const std::string& path);

// A plain ASCII DXF (R12): LINE and ARC entities on the layer PROFILE, Z as x and the radius as y.
std::string ProfileDxf(const std::vector<stock::ProfileContour>& profile);
// An SVG of the section filled, 1 user unit a millimetre, the axis drawn dashed.
std::string ProfileSvg(const std::vector<stock::ProfileContour>& profile);

} // namespace check
