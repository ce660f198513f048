/* message_demo: the road of a message.
 *
 * A sender builds a message (header and body), renders it as its document
 * and prints the document. A receiver parses the document into a message of
 * its own and prints the header and the body. Every call is checked; the
 * program exits with 1 as soon as one fails. */
#include <stdio.h>
#include <string.h>

#include "movrimsg.h"

/* Texts are single-byte ISO-8859-1; this prints them on a UTF-8 terminal. */
static void print_latin1(const char *text) {
    const unsigned char *byte;
    for (byte = (const unsigned char *)text; *byte != '\0'; ++byte) {
        if (*byte < 0x80) {
            putchar(*byte);
        } else {
            putchar(0xC0 | (*byte >> 6));
            putchar(0x80 | (*byte & 0x3F));
        }
    }
}

/* Prints "label: text", with "(absent)" for a null text. */
static void print_field(const char *label, const char *text) {
    printf("  %s: ", label);
    print_latin1(text != NULL ? text : "(absent)");
    putchar('\n');
}

/* The sender: fills msg and hands back its document, or null. The document
 * belongs to the caller, who releases it with movri_free. */
static char *send_order(movri_msg *msg) {
    char *document = NULL;
    if (movri_msg_set_id(msg, "1001") < 0 || movri_msg_set_sn(msg, "1") < 0 ||
        movri_msg_set_total(msg, "1") < 0 || movri_msg_set_msgmode(msg, "request") < 0 ||
        movri_msg_set_msgname(msg, "order") < 0) {
        return NULL;
    }
    /* The writer escapes ' & < > " in values; 0xE9 is e-acute in ISO-8859-1. */
    if (movri_msg_append_element(msg, "ele", "customer", "O'Brien & Sons") < 0 ||
        movri_msg_append_element(msg, "ele", "item", "caf\xE9 au lait") < 0 ||
        movri_msg_append_element(msg, "ele", "note", "deliver if total < 20") < 0) {
        return NULL;
    }
    if (movri_msg_to_str(msg, &document) != 0) return NULL;
    return document;
}

/* The receiver: parses the document into msg and prints what it holds. */
static int receive_order(movri_msg *msg, const char *document) {
    movri_element *element = NULL;
    int32_t pos;
    if (movri_msg_parse(msg, document) != 0) return -1;

    printf("header\n");
    print_field("id", movri_msg_get_id(msg));
    print_field("sn", movri_msg_get_sn(msg));
    print_field("total", movri_msg_get_total(msg));
    print_field("msgmode", movri_msg_get_msgmode(msg));
    print_field("msgname", movri_msg_get_msgname(msg));

    /* Elements are borrowed from the message: valid until it is freed. */
    printf("body\n");
    for (pos = 0; movri_msg_eol(msg, pos) == 0; ++pos) {
        if (movri_msg_get_element_bypos(msg, pos, &element) < 0) return -1;
        if (strcmp(movri_element_get_tag(element), "ele") == 0) {
            print_field(movri_element_get_name(element), movri_element_get_value(element));
        }
    }
    return 0;
}

int main(void) {
    movri_msg *sent = NULL;
    movri_msg *received = NULL;
    char *document = NULL;
    int status = 1;

    if (movri_msg_init(&sent) == 0 && movri_msg_init(&received) == 0) {
        document = send_order(sent);
    }
    if (document != NULL) {
        printf("document (%u bytes)\n  ", (unsigned)strlen(document));
        print_latin1(document);
        printf("\n");
        if (receive_order(received, document) == 0) status = 0;
    }
    if (status != 0) fprintf(stderr, "message_demo: a library call failed\n");

    movri_free(document);
    movri_msg_free(received);
    movri_msg_free(sent);
    return status;
}
