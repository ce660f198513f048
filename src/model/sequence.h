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

namespace movri {

// The allocation behind every movri_list. The public fields come first, so a
// movri_list pointer and a Sequence pointer are interchangeable. The
// shortcuts are trusted only while the public fields still read as they were
// last left; otherwise they are dropped and rebuilt by walking from the head.
struct Sequence {
    movri_list list;
    movri_link *tail;
    movri_link *cursor;
    int32_t cursor_pos;
    int32_t known_count;
    movri_link *known_head;

    bool shape_unchanged() const { return known_count == list.count && known_head == list.head; }

    // Links link in after the tail when the tail is known; false otherwise.
    bool append_at_tail(movri_link *link) {
        if (tail == nullptr || !shape_unchanged()) return false;
        link->next = nullptr;
        tail->next = link;
        tail = link;
        known_count = ++list.count;
        return true;
    }
};

}  // namespace movri

// The link at pos, 0 <= pos < count, reached through the shortcuts.
movri_link *movri_list_seek(movri_list *list, int32_t pos);

// The element at pos, or null outside 0 .. count - 1 or for a null list. A
// walk in rising order steps from the cursor here, inline.
inline movri_element *movri_list_at(movri_list *list, int32_t pos) {
    if (list == nullptr || pos < 0 || pos >= list->count) return nullptr;
    auto &s = *reinterpret_cast<movri::Sequence *>(list);
    if (s.cursor != nullptr && s.cursor_pos == pos - 1 && s.shape_unchanged()) {
        s.cursor = s.cursor->next;
        s.cursor_pos = pos;
        return s.cursor->element;
    }
    return movri_list_seek(list, pos)->element;
}

// Appends link to a list, at the known tail inline.
inline void movri_list_append(movri_list *list, movri_link *link) {
    if (!reinterpret_cast<movri::Sequence *>(list)->append_at_tail(link))
        movri_list_insert(list, link, -1);
}
