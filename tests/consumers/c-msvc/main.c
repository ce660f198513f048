/* A C program linked the MSVC way, against movrimsg.lib, and with no C
 * runtime: it calls only the library and kernel32 (declared here, as no
 * Windows SDK is at hand). Renders a message, parses the document back,
 * checks what came back and prints the document. Its entry is `start`. */
#include <movrimsg.h>

__declspec(dllimport) void *__stdcall GetStdHandle(unsigned long which);
__declspec(dllimport) int __stdcall WriteFile(void *file, const void *data, unsigned long size,
                                              unsigned long *written, void *overlapped);
__declspec(dllimport) __declspec(noreturn) void __stdcall ExitProcess(unsigned int status);

#define STD_OUTPUT_HANDLE ((unsigned long)-11)

static int same(const char *a, const char *b) {
    if (!a || !b) return 0;
    while (*a && *a == *b)
        ++a, ++b;
    return *a == *b;
}

static void print(const char *text) {
    unsigned long size = 0, written = 0;
    while (text[size])
        ++size;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, size, &written, 0);
}

static int round_trip(movri_msg *sent, movri_msg *received) {
    char *document = 0;
    int ok;
    if (movri_msg_set_id(sent, "42") < 0 || movri_msg_append_element(sent, "ele", "a", "x<y") < 0)
        return 0;
    if (movri_msg_to_str(sent, &document) != 0) return 0;
    print(document);
    print("\r\n");
    ok = movri_msg_parse(received, document) == 0;
    movri_free(document);
    return ok;
}

void start(void) {
    movri_msg *sent = 0, *received = 0;
    movri_element *element = 0;
    int ok = movri_msg_init(&sent) == 0 && movri_msg_init(&received) == 0 &&
             round_trip(sent, received) &&
             movri_msg_get_element_byname(received, "ele", "a", &element) == 1 &&
             same(movri_element_get_value(element), "x<y") &&
             same(movri_msg_get_id(received), "42");
    movri_msg_free(sent);
    movri_msg_free(received);
    print(ok ? "c-msvc consumer: ok\r\n" : "c-msvc consumer: FAILED\r\n");
    ExitProcess(ok ? 0 : 1);
}
