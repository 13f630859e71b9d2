// Finding the file of a font face by family, weight and slant. Internal to
// platform/fonts.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform {

struct FaceFile {
    std::string path; // a name for messages when the face comes as data
    // The whole font file, when the system hands the face over as bytes
    // rather than as a path.
    std::shared_ptr<const std::vector<unsigned char>> data;
    int index = 0;
    bool bold = false;
    bool italic = false;
};

// The closest installed face to the family, weight and slant; false when no
// font at all can be found.
bool MatchFace(const std::string& family, bool bold, bool italic, FaceFile& found);

} // namespace platform
