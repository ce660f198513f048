#include "sequence.h"

namespace {

using movri::Sequence;

Sequence &sequence_of(movri_list *list) { return *reinterpret_cast<Sequence *>(list); }

void forget_shortcuts(Sequence &s) {
    s.tail = nullptr;
    s.cursor = nullptr;
    s.cursor_pos = 0;
}

void remember_shape(Sequence &s) {
    s.known_count = s.list.count;
    s.known_head = s.list.head;
}

void check_shortcuts(Sequence &s) {
    if (s.shape_unchanged()) return;
    forget_shortcuts(s);
    remember_shape(s);
}

// The link at pos, 0 <= pos < count, reached from the cursor when it lies at
// or before pos, else from the head.
movri_link *link_at(Sequence &s, int32_t pos) {
    check_shortcuts(s);
    const bool last = pos == s.list.count - 1;
    if (last && s.tail != nullptr) return s.tail;
    movri_link *link = s.list.head;
    int32_t at = 0;
    if (s.cursor != nullptr && s.cursor_pos <= pos) {
        link = s.cursor;
        at = s.cursor_pos;
    }
    for (; at < pos; ++at)
        link = link->next;
    s.cursor = link;
    s.cursor_pos = pos;
    if (last) s.tail = link;
    return link;
}

}  // namespace

movri_list *movri_list_new() {
    auto *s = static_cast<Sequence *>(movri_malloc(sizeof(Sequence)));
    if (s == nullptr) return nullptr;
    *s = Sequence{{0, nullptr}, nullptr, nullptr, 0, 0, nullptr};
    return &s->list;
}

int32_t movri_list_insert(movri_list *list, movri_link *link, int32_t pos) {
    if (list == nullptr || link == nullptr) return -1;
    Sequence &s = sequence_of(list);
    if ((pos < 0 || pos >= list->count) && s.append_at_tail(link)) return 0;
    check_shortcuts(s);
    const int32_t count = list->count;
    if (pos < 0 || pos > count) pos = count;
    if (pos == 0) {
        link->next = count > 0 ? list->head : nullptr;
        list->head = link;
        if (s.cursor != nullptr) ++s.cursor_pos;
    } else {
        movri_link *before = link_at(s, pos - 1);
        link->next = pos < count ? before->next : nullptr;
        before->next = link;
    }
    if (pos == count) s.tail = link;
    ++list->count;
    remember_shape(s);
    return 0;
}

int32_t movri_list_remove(movri_list *list, int32_t pos, void (*release)(movri_link *)) {
    if (list == nullptr || pos < 0 || pos >= list->count) return -1;
    Sequence &s = sequence_of(list);
    check_shortcuts(s);
    const bool last = pos == list->count - 1;
    movri_link *victim = nullptr;
    movri_link *before = nullptr;
    if (pos == 0) {
        victim = list->head;
        list->head = last ? nullptr : victim->next;
        if (s.cursor == victim) {
            s.cursor = nullptr;
            s.cursor_pos = 0;
        } else if (s.cursor != nullptr) {
            --s.cursor_pos;
        }
    } else {
        before = link_at(s, pos - 1);
        victim = before->next;
        before->next = last ? nullptr : victim->next;
    }
    if (last) s.tail = before;
    --list->count;
    remember_shape(s);
    release(victim);
    return list->count;
}

void movri_list_free(movri_list *list, void (*release)(movri_link *)) {
    if (list == nullptr) return;
    movri_link *link = list->head;
    for (int32_t i = 0; i < list->count; ++i) {
        movri_link *next = link->next;
        release(link);
        link = next;
    }
    movri_free(&sequence_of(list));
}

movri_link *movri_list_seek(movri_list *list, int32_t pos) {
    return link_at(sequence_of(list), pos);
}
