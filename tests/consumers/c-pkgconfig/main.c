/* A C program built against an installed movrimsg through pkg-config:
 * renders a message, parses the document back and checks what came back. */
#include <stdio.h>
#include <string.h>

#include <movrimsg.h>

static int round_trip(movri_msg *sent, movri_msg *received) {
    char *document = NULL;
    int ok;
    if (movri_msg_set_id(sent, "42") < 0 || movri_msg_append_element(sent, "ele", "a", "x<y") < 0)
        return 0;
    if (movri_msg_to_str(sent, &document) != 0) return 0;
    printf("%s\n", document);
    ok = movri_msg_parse(received, document) == 0;
    movri_free(document);
    return ok;
}

int main(void) {
    movri_msg *sent = NULL, *received = NULL;
    movri_element *element = NULL;
    int ok = movri_msg_init(&sent) == 0 && movri_msg_init(&received) == 0 &&
             round_trip(sent, received) &&
             movri_msg_get_element_byname(received, "ele", "a", &element) == 1 &&
             strcmp(movri_element_get_value(element), "x<y") == 0 &&
             strcmp(movri_msg_get_id(received), "42") == 0;
    movri_msg_free(sent);
    movri_msg_free(received);
    puts(ok ? "c-pkgconfig consumer: ok" : "c-pkgconfig consumer: FAILED");
    return ok ? 0 : 1;
}
