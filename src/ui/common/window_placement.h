#pragma once

class QHBoxLayout;
class QPushButton;
class QWidget;

namespace chronoreel::ui {

// Shows a window of its own (a dialog that must stay usable while its owner is disabled, so not
// a child) at its own size, centred over its owner and kept above it, and brings it forward.
void ShowCentredOver(QWidget& window, const QWidget& owner);

// The "&OK" button of a small window (cmdExit): its default button, alone at the right end of
// the returned row.
QHBoxLayout* OkButtonRow(QWidget* window, QPushButton*& cmdExit);

}  // namespace chronoreel::ui
