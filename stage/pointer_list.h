// The stage's lists: plain heap arrays of pointers, always allocated to
// exactly the number of elements they hold and freed when they get empty.
#pragma once

#include <stdlib.h>

// Appends `item`; FALSE (and the list unchanged) when memory runs out.
template <typename T>
bool AppendPointer(T**& items, int& count, T* item)
{
    T** grown = static_cast<T**>(realloc(items, (count + 1) * sizeof(T*)));
    if (!grown)
        return false;
    grown[count] = item;
    items = grown;
    ++count;
    return true;
}

// Removes the element at `index`, moving the following ones down by one.
template <typename T>
void RemovePointerAt(T**& items, int& count, int index)
{
    for (int i = index; i + 1 < count; ++i)
        items[i] = items[i + 1];
    --count;
    if (count == 0) {
        free(items);
        items = nullptr;
        return;
    }
    T** shrunk = static_cast<T**>(realloc(items, count * sizeof(T*)));
    if (shrunk)
        items = shrunk;
}

// Frees the array itself (not what it points to) and empties the list.
template <typename T>
void FreePointerList(T**& items, int& count)
{
    free(items);
    items = nullptr;
    count = 0;
}
