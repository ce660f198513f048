/*
 * movrimsg: a flat, ordered message and its compact XML document.
 *
 * Conventions
 * - Results: functions returning int32_t give -1 for failure and 0, or a
 *   position, for success. Lookups that find nothing give the element count.
 * - Texts are zero-terminated single-byte strings in the message's encoding
 *   (ISO-8859-1 by default). A null text is "absent", which differs from "".
 * - Ownership: every text passed in is copied; the caller keeps its own.
 *   Texts and elements handed back are borrowed from their message and stay
 *   valid until that field is set again, the element is removed or the
 *   message is freed. The one exception is the document from
 *   movri_msg_to_str, which the caller releases with movri_free.
 * - Null: every function accepts null for its record arguments and answers
 *   -1 or null (release functions do nothing). Names and values may be null.
 * - Records: applications may read the fields of the records below but must
 *   change them only through these functions.
 * - Threads: no locks. A message may be used by one thread at a time;
 *   different messages may be used concurrently. The only state beyond the
 *   records is the secret behind the parser's hash salts (see the README).
 * - Output: the only output is one line on standard error when
 *   movri_msg_parse fails: "<reason> at line <n>".
 */
#ifndef MOVRIMSG_H
#define MOVRIMSG_H

#include <stddef.h>
#include <stdint.h>

#include "movrimsg_version.h"

/* Longest document movri_msg_to_str writes, in bytes, without terminator. */
#define MOVRI_TEXT_LIMIT 4000

#if defined(_WIN32) || defined(__CYGWIN__)
#if defined(MOVRIMSG_BUILDING)
#define MOVRI_API __declspec(dllexport)
#elif defined(MOVRIMSG_STATIC)
#define MOVRI_API
#else
#define MOVRI_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define MOVRI_API __attribute__((visibility("default")))
#else
#define MOVRI_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* One element: tag, optional name attribute, text value. */
typedef struct movri_element {
    char *tag;
    char *name;
    char *value;
} movri_element;

/* One link of a message's element chain. */
typedef struct movri_link {
    struct movri_link *next;
    movri_element *element;
} movri_link;

/* A message's elements in position order: count links from head. */
typedef struct movri_list {
    int32_t count;
    movri_link *head;
} movri_list;

/* A message: document properties and its element sequence. */
typedef struct movri_msg {
    char *version;
    char *encoding;
    char *dtd;
    movri_list *elements;
} movri_msg;

/* ---- Memory and text primitives ---------------------------------------- */

/* Allocates size bytes from the library's heap; null when exhausted. */
MOVRI_API void *movri_malloc(size_t size);
/* Releases memory the library handed out (movri_msg_to_str's document,
 * movri_strdup's copy, movri_malloc's block). Null is ignored. */
MOVRI_API void movri_free(void *block);
/* New copy of text, released with movri_free; null for null or when out of
 * memory. */
MOVRI_API char *movri_strdup(const char *text);
/* Copies exactly n bytes of src (zero bytes included) to dst and stores a
 * terminator at dst[n]; dst needs n + 1 bytes. Gives dst; writes nothing when
 * dst or src is null. */
MOVRI_API char *movri_strncpy(char *dst, const char *src, size_t n);
/* Compares at most n bytes ignoring ASCII letter case, stopping at a
 * terminator: negative, 0 or positive. Null orders before any text; two
 * nulls are equal. */
MOVRI_API int32_t movri_strncasecmp(const char *a, const char *b, size_t n);

/* ---- Single elements ---------------------------------------------------- */

/* Makes a free-standing element with all fields absent into *element.
 * 0; -1 with *element null when out of memory; -1 for a null out argument. */
MOVRI_API int32_t movri_element_init(movri_element **element);
/* Releases a free-standing element and its texts. Null is ignored. Never use
 * it on an element that belongs to a message. */
MOVRI_API void movri_element_free(movri_element *element);
/* The element's tag, name or value (borrowed), or null. */
MOVRI_API const char *movri_element_get_tag(const movri_element *element);
MOVRI_API const char *movri_element_get_name(const movri_element *element);
MOVRI_API const char *movri_element_get_value(const movri_element *element);
/* Replaces the field with a copy of text (null makes it absent). 0; -1 for a
 * null element or when the copy cannot be made (the field is then kept). */
MOVRI_API int32_t movri_element_set_tag(movri_element *element, const char *text);
MOVRI_API int32_t movri_element_set_name(movri_element *element, const char *text);
MOVRI_API int32_t movri_element_set_value(movri_element *element, const char *text);

/* ---- Messages ----------------------------------------------------------- */

/* Makes an empty message with version "1.0", encoding "ISO-8859-1" and DTD
 * "movrimsg.dtd" into *msg. 0; -1 with *msg null when out of memory; -1 for
 * a null out argument. Release with movri_msg_free. */
MOVRI_API int32_t movri_msg_init(movri_msg **msg);
/* Releases the message, its texts and all its elements. Null is ignored. */
MOVRI_API void movri_msg_free(movri_msg *msg);
/* The document properties (borrowed), or null. */
MOVRI_API const char *movri_msg_get_version(const movri_msg *msg);
MOVRI_API const char *movri_msg_get_encoding(const movri_msg *msg);
MOVRI_API const char *movri_msg_get_dtd(const movri_msg *msg);
/* Replaces a property with a copy of text (null makes it absent). 0; -1 for
 * a null message or when the copy cannot be made (the property is kept). */
MOVRI_API int32_t movri_msg_set_version(movri_msg *msg, const char *text);
MOVRI_API int32_t movri_msg_set_encoding(movri_msg *msg, const char *text);
MOVRI_API int32_t movri_msg_set_dtd(movri_msg *msg, const char *text);
/* 1 when pos is at or past the last element, 0 when not (a negative pos
 * included), -1 for a null message or one without a sequence. Walk with
 * "for (p = 0; movri_msg_eol(msg, p) == 0; ++p)". */
MOVRI_API int32_t movri_msg_eol(const movri_msg *msg, int32_t pos);

/* ---- Lookup and value update -------------------------------------------
 * Tags and names match when both are present, equally long and equal
 * ignoring ASCII case. A null name matches only elements without a name. */

/* Position of the first element matching tag and name; the count when none
 * does; -1 for a null message or a null or empty tag. */
MOVRI_API int32_t movri_msg_find_element(const movri_msg *msg, const char *tag, const char *name);
/* Stores the element at pos (borrowed) and gives pos; -1 with null stored
 * when pos is outside 0 .. count - 1. */
MOVRI_API int32_t movri_msg_get_element_bypos(const movri_msg *msg, int32_t pos,
                                              movri_element **element);
/* As movri_msg_find_element, also storing the element found (borrowed), or
 * null when none matches or the arguments are bad. */
MOVRI_API int32_t movri_msg_get_element_byname(const movri_msg *msg, const char *tag,
                                               const char *name, movri_element **element);
/* Replaces the value of the first element matching tag and name with a copy
 * of value (null makes it absent). Its position; -1 when none matches or the
 * copy cannot be made (the value is then kept). */
MOVRI_API int32_t movri_msg_set_element_value_byname(movri_msg *msg, const char *tag,
                                                     const char *name, const char *value);
/* Replaces the value of the element at pos. pos; -1 as above. */
MOVRI_API int32_t movri_msg_set_element_value_bypos(movri_msg *msg, int32_t pos, const char *value);

/* ---- Insertion ----------------------------------------------------------
 * Each makes a new element from copies of tag, name and value (name and
 * value may be null) and gives its position; -1 for a null message, a null
 * or empty tag, a missing reference, or when out of memory (the message is
 * then unchanged). */

/* Appends at the end: gives count - 1. */
MOVRI_API int32_t movri_msg_append_element(movri_msg *msg, const char *tag, const char *name,
                                           const char *value);
/* Inserts right before the first element matching ref_tag and ref_name. */
MOVRI_API int32_t movri_msg_insert_element_before_name(movri_msg *msg, const char *ref_tag,
                                                       const char *ref_name, const char *tag,
                                                       const char *name, const char *value);
/* Inserts right after the first element matching ref_tag and ref_name. */
MOVRI_API int32_t movri_msg_insert_element_after_name(movri_msg *msg, const char *ref_tag,
                                                      const char *ref_name, const char *tag,
                                                      const char *name, const char *value);
/* Inserts at pos, which must be below count, or 0; later elements move up. */
MOVRI_API int32_t movri_msg_insert_element_bypos(movri_msg *msg, int32_t pos, const char *tag,
                                                 const char *name, const char *value);

/* ---- Header elements ----------------------------------------------------
 * The header is the elements tagged "id", "sn", "total", "msgmode" and
 * "msgname", kept in that order at the front of the message. Getters give
 * the value of the first element with that tag (any case, any name),
 * borrowed, or null. Setters replace that value with a copy of value, or
 * create the element in its canonical place; they give its position, or -1
 * for a null message or when out of memory (the message is then unchanged). */

MOVRI_API const char *movri_msg_get_id(const movri_msg *msg);
MOVRI_API const char *movri_msg_get_sn(const movri_msg *msg);
MOVRI_API const char *movri_msg_get_total(const movri_msg *msg);
MOVRI_API const char *movri_msg_get_msgmode(const movri_msg *msg);
MOVRI_API const char *movri_msg_get_msgname(const movri_msg *msg);
MOVRI_API int32_t movri_msg_set_id(movri_msg *msg, const char *value);
MOVRI_API int32_t movri_msg_set_sn(movri_msg *msg, const char *value);
MOVRI_API int32_t movri_msg_set_total(movri_msg *msg, const char *value);
MOVRI_API int32_t movri_msg_set_msgmode(movri_msg *msg, const char *value);
MOVRI_API int32_t movri_msg_set_msgname(movri_msg *msg, const char *value);

/* ---- Document ----------------------------------------------------------- */

/* Renders the message as its document into *text, which the caller releases
 * with movri_free. 0; -1 with *text untouched when the document would exceed
 * MOVRI_TEXT_LIMIT bytes or would not be well-formed XML (see README). */
MOVRI_API int32_t movri_msg_to_str(const movri_msg *msg, char **text);
/* Adds the elements of the document text to msg (it is not emptied first).
 * 0; -1 for null arguments or a document that fails to parse, which also
 * writes "<reason> at line <n>" to standard error; elements added before
 * the failure stay. */
MOVRI_API int32_t movri_msg_parse(movri_msg *msg, const char *text);
/* Copies src through its document into a new message *copy (released with
 * movri_msg_free). 0; -1 with *copy null when any step fails. The copy has
 * the default version, encoding and DTD. */
MOVRI_API int32_t movri_msg_clone(const movri_msg *src, movri_msg **copy);

#ifdef __cplusplus
}
#endif

#endif /* MOVRIMSG_H */
