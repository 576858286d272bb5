#pragma once
// The program's own images, drawn in code so that the binary needs no image
// files: the database icon and the blue wallpaper. Any other name is a file.

#include <QIcon>
#include <QPixmap>
#include <string_view>

namespace dbprobe::platform {

// The icon a resource name stands for; null when the name is empty, the file
// is missing or it is not a readable image.
QIcon ResourceIcon(std::string_view w1250Name);

// The picture a resource name stands for (wallpapers); null like ResourceIcon.
QPixmap ResourcePicture(std::string_view w1250Name);

}  // namespace dbprobe::platform
