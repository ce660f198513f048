// A message's element sequence: the public chain of links plus private
// shortcuts that make appending and walking in rising order O(1) per step.
// Links are made by the caller (with their element, in one block); the
// sequence only chains them and hands them back for release.
#pragma once

#include "movrimsg.h"

// A new, empty sequence, or null when out of memory. Release it with
// movri_list_free.
movri_list *movri_list_new();

// Chains link in at pos (pos negative or not below count appends). 0; -1 for
// a null list or link. It allocates nothing, so it cannot run out of memory.
int32_t movri_list_insert(movri_list *list, movri_link *link, int32_t pos);

// Unlinks position pos and hands its link to release. The new count; -1 for
// a position outside 0 .. count - 1.
int32_t movri_list_remove(movri_list *list, int32_t pos, void (*release)(movri_link *));

// Hands every link, in position order, to release, then frees the list.
void movri_list_free(movri_list *list, void (*release)(movri_link *));

// The element at pos, or null outside 0 .. count - 1 or for a null list.
movri_element *movri_list_at(movri_list *list, int32_t pos);
