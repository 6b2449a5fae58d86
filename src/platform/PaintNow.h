#pragma once

class QWidget;

// Puts one visible widget on the screen at once, painting nothing else of its window and
// processing no event: for a control that must show progress while a long piece of work
// holds the event loop, without bringing forward the paint of anything else that waits.
void paintAloneNow(QWidget* widget);
