/*
 * Making Elements of one message, straight from its record chain. Texts in
 * the common encodings are decoded at once, from the record; others on first
 * read. A tag's bytes and text are shared among neighbours that carry the
 * same one (most of a message is "ele").
 */
#include <string.h>

#include "_fast.h"

typedef PyObject *(*decoder)(const char *, Py_ssize_t, const char *);

typedef struct {
    decoder decode;
    encoder encode;
} Codec;

typedef struct {
    PyObject *encoding;
    int watched;           /* the encoding may refer to others: watch every element */
    Codec codec;           /* decode NULL: decode on first read */
    PyObject *tag;         /* the last tag's bytes */
    PyObject *decoded_tag; /* and its text, or NULL */
} Reader;

/* The codec of the encodings most messages use, by their Python codecs' own
 * names (codecs.lookup(name).name, as the message keeps them); none for the
 * others. */
static Codec codec_of(PyObject *encoding) {
    static const struct {
        const char *name;
        Codec codec;
    } known[] = {
        {"iso8859-1", {PyUnicode_DecodeLatin1, PyUnicode_AsLatin1String}},
        {"utf-8", {PyUnicode_DecodeUTF8, PyUnicode_AsUTF8String}},
        {"ascii", {PyUnicode_DecodeASCII, PyUnicode_AsASCIIString}},
    };
    const Codec none = {NULL, NULL};
    if (encoding == Py_None) return none;
    Py_ssize_t size;
    const char *name = PyUnicode_AsUTF8AndSize(encoding, &size);
    if (name == NULL) {
        PyErr_Clear();
        return none;
    }
    for (size_t i = 0; i < sizeof known / sizeof known[0]; ++i)
        if (strlen(known[i].name) == (size_t)size && strcmp(name, known[i].name) == 0)
            return known[i].codec;
    return none;
}

static void reader_release(Reader *reader) {
    Py_XDECREF(reader->tag);
    Py_XDECREF(reader->decoded_tag);
}

/* The text of a record's field, or NULL (no error set) to decode later. */
static PyObject *reader_decoded(const Reader *reader, const char *text) {
    if (reader->codec.decode == NULL || text == NULL) return NULL;
    PyObject *decoded = reader->codec.decode(text, (Py_ssize_t)strlen(text), NULL);
    if (decoded == NULL) PyErr_Clear(); /* raised again when the text is read */
    return decoded;
}

static int reader_tag(Reader *reader, const char *text) {
    if (text == NULL) text = "";
    if (reader->tag != NULL && strcmp(PyBytes_AS_STRING(reader->tag), text) == 0) return 0;
    reader_release(reader);
    reader->decoded_tag = NULL;
    if ((reader->tag = PyBytes_FromString(text)) == NULL) return -1;
    reader->decoded_tag = reader_decoded(reader, text);
    return 0;
}

/* A field of a record: its text when it decodes, else its bytes (None when
 * absent). 0, or -1 when out of memory. */
static int reader_field(const Reader *reader, const char *text, PyObject **raw,
                        PyObject **decoded) {
    *decoded = reader_decoded(reader, text);
    *raw = *decoded != NULL ? NULL : bytes_or_none(text);
    return *decoded != NULL || *raw != NULL ? 0 : -1;
}

static PyObject *reader_element(Reader *reader, const movri_element *record) {
    PyObject *raw[3] = {NULL, NULL, NULL}, *decoded[3] = {NULL, NULL, NULL};
    if (reader_tag(reader, record->tag) < 0 ||
        reader_field(reader, record->name, &raw[NAME], &decoded[NAME]) < 0)
        return NULL;
    if (reader_field(reader, record->value, &raw[VALUE], &decoded[VALUE]) < 0) {
        Py_XDECREF(raw[NAME]);
        Py_XDECREF(decoded[NAME]);
        return NULL;
    }
    raw[TAG] = Py_NewRef(reader->tag);
    decoded[TAG] = Py_XNewRef(reader->decoded_tag);
    return (PyObject *)element_new(raw, decoded, reader->encoding, reader->codec.encode,
                                   reader->watched);
}

static int encoding_of(PyObject *object) {
    if (object == Py_None || PyUnicode_Check(object)) return 1;
    PyErr_SetString(PyExc_TypeError, "the encoding must be str or None");
    return 0;
}

PyObject *fast_elements(PyObject *module, PyObject *const *args, Py_ssize_t nargs) {
    (void)module;
    if (!positional("elements", nargs, 2)) return NULL;
    movri_msg *msg = message_at(args[0]);
    if (msg == NULL || !encoding_of(args[1])) return NULL;
    int32_t count = count_of(msg);
    PyObject *list = PyList_New(count);
    if (list == NULL) return NULL;
    Reader reader = {args[1], may_refer(args[1]), codec_of(args[1]), NULL, NULL};
    const movri_link *link = count > 0 ? msg->elements->head : NULL;
    for (int32_t pos = 0; pos < count; ++pos, link = link->next) {
        PyObject *element = reader_element(&reader, link->element);
        if (element == NULL) {
            Py_CLEAR(list);
            break;
        }
        PyList_SET_ITEM(list, pos, element);
    }
    reader_release(&reader);
    return list;
}

PyObject *fast_element_at(PyObject *module, PyObject *const *args, Py_ssize_t nargs) {
    (void)module;
    if (!positional("element_at", nargs, 3)) return NULL;
    movri_msg *msg = message_at(args[0]);
    if (msg == NULL || !encoding_of(args[2])) return NULL;
    long pos = PyLong_AsLong(args[1]);
    if (pos == -1 && PyErr_Occurred()) return NULL;
    if (pos < 0 || pos >= count_of(msg)) {
        PyErr_SetString(PyExc_IndexError, "position outside the message");
        return NULL;
    }
    const movri_link *link = msg->elements->head;
    while (pos-- > 0)
        link = link->next;
    Reader reader = {args[2], may_refer(args[2]), codec_of(args[2]), NULL, NULL};
    PyObject *element = reader_element(&reader, link->element);
    reader_release(&reader);
    return element;
}
