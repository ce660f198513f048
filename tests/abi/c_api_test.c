/* The public header and the shared library used from plain C99: build a
 * message, render it, parse it back, clone it, and walk each copy both
 * through the functions and through the record fields. Exits non-zero on
 * any mismatch. */
#include "movrimsg.h"

#include <stdio.h>
#include <string.h>

static int failures = 0;

#define CHECK(condition) check((condition), #condition, __LINE__)

static void check(int ok, const char *what, int line) {
    if (!ok) {
        ++failures;
        fprintf(stderr, "c_api_test.c:%d: failed: %s\n", line, what);
    }
}

static int same_text(const char *a, const char *b) {
    return (a == NULL || b == NULL) ? a == b : strcmp(a, b) == 0;
}

/* Absent and empty values both render as no content. */
static const char *content(const char *value) { return value != NULL ? value : ""; }

struct expected_element {
    const char *tag;
    const char *name;
    const char *value;
};

static const struct expected_element expected[] = {
    {"id", NULL, "42"},           {"sn", NULL, "7"},          {"total", NULL, "1"},
    {"msgmode", NULL, "req"},     {"msgname", NULL, "order"}, {"ele", "qty", "3"},
    {"ele", "note", "a<b & 'c'"}, {"ele", "empty", NULL},
};
#define EXPECTED_COUNT ((int32_t)(sizeof expected / sizeof expected[0]))

static const char expected_document[] =
    "<?xml version='1.0' encoding='ISO-8859-1'?><movrimsg>"
    "<id>42</id><sn>7</sn><total>1</total><msgmode>req</msgmode><msgname>order</msgname>"
    "<ele name='qty'>3</ele><ele name='note'>a&lt;b &amp; &apos;c&apos;</ele>"
    "<ele name='empty'></ele></movrimsg>";

static void check_walk(const movri_msg *msg) {
    int32_t pos = 0;
    movri_element *element = NULL;
    for (pos = 0; movri_msg_eol(msg, pos) == 0; ++pos) {
        CHECK(movri_msg_get_element_bypos(msg, pos, &element) == pos);
        if (element == NULL || pos >= EXPECTED_COUNT) break;
        CHECK(same_text(movri_element_get_tag(element), expected[pos].tag));
        CHECK(same_text(movri_element_get_name(element), expected[pos].name));
        CHECK(same_text(content(movri_element_get_value(element)), content(expected[pos].value)));
    }
    CHECK(pos == EXPECTED_COUNT);
    CHECK(movri_msg_eol(msg, pos) == 1);
}

static void check_fields(const movri_msg *msg) {
    const movri_link *link = NULL;
    int32_t pos = 0;
    CHECK(same_text(msg->version, "1.0"));
    CHECK(same_text(msg->encoding, "ISO-8859-1"));
    CHECK(same_text(msg->dtd, "movrimsg.dtd"));
    CHECK(msg->elements != NULL && msg->elements->count == EXPECTED_COUNT);
    if (msg->elements == NULL) return;
    link = msg->elements->head;
    for (pos = 0; pos < msg->elements->count && pos < EXPECTED_COUNT; ++pos) {
        CHECK(same_text(link->element->tag, expected[pos].tag));
        CHECK(same_text(link->element->name, expected[pos].name));
        CHECK(same_text(content(link->element->value), content(expected[pos].value)));
        link = link->next;
    }
}

static void check_lookups(movri_msg *msg) {
    movri_element *element = NULL;
    CHECK(same_text(movri_msg_get_id(msg), "42"));
    CHECK(same_text(movri_msg_get_msgname(msg), "order"));
    CHECK(movri_msg_find_element(msg, "ELE", "NOTE") == 6);
    CHECK(movri_msg_find_element(msg, "ele", NULL) == EXPECTED_COUNT);
    CHECK(movri_msg_get_element_byname(msg, "ele", "qty", &element) == 5);
    CHECK(element != NULL && same_text(element->value, "3"));
}

static movri_msg *build(void) {
    movri_msg *msg = NULL;
    if (movri_msg_init(&msg) != 0) return NULL;
    CHECK(movri_msg_append_element(msg, "ele", "qty", "3") == 0);
    CHECK(movri_msg_set_msgname(msg, "order") == 0);
    CHECK(movri_msg_set_id(msg, "42") == 0);
    CHECK(movri_msg_set_total(msg, "1") == 1);
    CHECK(movri_msg_set_sn(msg, "7") == 1);
    CHECK(movri_msg_set_msgmode(msg, "req") == 3);
    CHECK(movri_msg_append_element(msg, "ele", "note", "a<b & 'c'") == 6);
    CHECK(movri_msg_append_element(msg, "ele", "empty", NULL) == 7);
    return msg;
}

int main(void) {
    movri_msg *original = build();
    movri_msg *parsed = NULL;
    movri_msg *copy = NULL;
    char *text = NULL;

    CHECK(original != NULL);
    if (original == NULL) return 1;
    check_fields(original);
    check_walk(original);

    CHECK(movri_msg_to_str(original, &text) == 0);
    CHECK(same_text(text, expected_document));

    CHECK(movri_msg_init(&parsed) == 0);
    CHECK(movri_msg_parse(parsed, text) == 0);
    check_fields(parsed);
    check_walk(parsed);
    check_lookups(parsed);

    CHECK(movri_msg_clone(parsed, &copy) == 0);
    CHECK(copy != NULL && copy != parsed);
    if (copy != NULL) {
        check_fields(copy);
        check_walk(copy);
        check_lookups(copy);
    }

    CHECK(MOVRI_TEXT_LIMIT == 4000);
    CHECK(movri_strncasecmp("ABC", "abd", 2) == 0 && movri_strncasecmp("ABC", "abd", 3) < 0);

    movri_free(text);
    movri_msg_free(copy);
    movri_msg_free(parsed);
    movri_msg_free(original);
    if (failures != 0) fprintf(stderr, "%d checks failed\n", failures);
    return failures != 0 ? 1 : 0;
}
