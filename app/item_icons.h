// The pictures of the desktop program, drawn here rather than loaded: the
// ten row icons of the item list, the tool bar's buttons and the start-up
// notice.
#pragma once

#include <QIcon>
#include <QPixmap>

#include "shell/main_window_state.h"

namespace app {

// Row icon 1..10 (the numbering of shell::ItemRowIcon), holding a 16 and a
// 32 pixel image; the views pick the size they show. Numbers outside 1..10
// give a null icon.
QIcon ItemIcon(int number);

// The image of the tool bar button that runs `command`.
QIcon ToolIcon(shell::Command command);

// The start-up notice's fixed picture.
QPixmap NoticePicture();

}  // namespace app
