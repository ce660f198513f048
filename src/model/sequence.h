// A message's element sequence: the public chain of links plus private
// shortcuts that make appending and walking in rising order O(1) per step.
#pragma once

#include "movrimsg.h"

// A new, empty sequence, or null when out of memory. Release it with
// movri_list_free.
movri_list *movri_list_new();

// Puts element at pos (pos negative or not below count appends). 0; -1 when
// the link cannot be allocated, leaving the sequence unchanged.
int32_t movri_list_insert(movri_list *list, movri_element *element, int32_t pos);

// Unlinks position pos (the element itself is kept). The new count; -1 for
// a position outside 0 .. count - 1.
int32_t movri_list_remove(movri_list *list, int32_t pos);

// Hands every element, in position order, to release, then frees the list.
void movri_list_free(movri_list *list, void (*release)(movri_element *));

// The element at pos, or null outside 0 .. count - 1 or for a null list.
movri_element *movri_list_at(movri_list *list, int32_t pos);
