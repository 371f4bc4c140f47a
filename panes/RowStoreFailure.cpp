#include "panes/RowStore.h"

#include "base/Failure.h"

// Apart from the store, so that the store itself includes no Qt header: its failures are the commands'
// Failure, with the words their error reports show.
void RowStore::fail(const char* words)
{
    throw Failure(QString::fromLatin1(words));
}
