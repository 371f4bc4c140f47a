// Preprocessed by the test test_layers with the listing library's include folders: listing may include its own
// headers and those of what it links, but not the window's code above it, so the second include must not be found.
#include "listing/CreateList.h"
#include "app/MainWindow.h"
