#pragma once

class QWidget;

/// For start-up measurements: when QUORVEL_STARTUP_PROBE is set, prints the wall-clock time at
/// which the window's picture has been painted and the event loop has gone idle, then quits.
void installStartupProbe(QWidget *window);
