#pragma once

// Registers the console's compiled-in resources (icon images). The console is a static library,
// so nothing would pull them into the program otherwise. Any thread, any number of times.
void InitConsoleResources();
