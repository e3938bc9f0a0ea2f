// frmWarning: the notice shown once at start-up, a fixed picture and "OK".
#pragma once

class QWidget;

namespace app {

// Shows the notice modally over parent and returns when it is closed.
void ShowNotice(QWidget* parent);

}  // namespace app
