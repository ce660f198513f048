/*
 * The package's hot paths in C: making, parsing, rendering and releasing a
 * message, appending to it, its properties and header, and reading its
 * elements in one pass over the record chain that movrimsg.h documents.
 *
 * The module links against nothing: _native loads the library (honouring
 * MOVRIMSG_LIBRARY) and hands the addresses of the functions used here to
 * bind(). A message is passed around as its address, a Python int, owned by
 * the Message object that made it.
 */
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <string.h>

#include "movrimsg.h"

/* ---- the library's functions, bound at import ----------------------------- */

typedef const char *(*field_getter)(const movri_msg *);
typedef int32_t (*field_setter)(movri_msg *, const char *);

#define FIELD_COUNT 8
static const char *const field_names[FIELD_COUNT] = {"version", "encoding", "dtd",     "id",
                                                     "sn",      "total",    "msgmode", "msgname"};

static struct {
    int32_t (*msg_init)(movri_msg **);
    void (*msg_free)(movri_msg *);
    int32_t (*msg_parse)(movri_msg *, const char *);
    int32_t (*msg_to_str)(const movri_msg *, char **);
    void (*free)(void *);
    int32_t (*append_element)(movri_msg *, const char *, const char *, const char *);
    field_getter get[FIELD_COUNT];
    field_setter set[FIELD_COUNT];
    int bound;
} lib;

static int bind_one(PyObject *addresses, const char *name, void **slot) {
    PyObject *address = PyDict_GetItemString(addresses, name);
    if (address == NULL) {
        PyErr_Format(PyExc_ImportError, "movrimsg: no address given for %s", name);
        return -1;
    }
    *slot = PyLong_AsVoidPtr(address);
    if (*slot == NULL && !PyErr_Occurred())
        PyErr_Format(PyExc_ImportError, "movrimsg: null address given for %s", name);
    return *slot == NULL ? -1 : 0;
}

static PyObject *fast_bind(PyObject *module, PyObject *addresses) {
    (void)module;
    if (!PyDict_Check(addresses)) {
        PyErr_SetString(PyExc_TypeError, "bind() takes a dict of names to addresses");
        return NULL;
    }
    char name[64];
    if (bind_one(addresses, "movri_msg_init", (void **)&lib.msg_init) < 0 ||
        bind_one(addresses, "movri_msg_free", (void **)&lib.msg_free) < 0 ||
        bind_one(addresses, "movri_msg_parse", (void **)&lib.msg_parse) < 0 ||
        bind_one(addresses, "movri_msg_to_str", (void **)&lib.msg_to_str) < 0 ||
        bind_one(addresses, "movri_free", (void **)&lib.free) < 0 ||
        bind_one(addresses, "movri_msg_append_element", (void **)&lib.append_element) < 0)
        return NULL;
    for (int i = 0; i < FIELD_COUNT; ++i) {
        snprintf(name, sizeof name, "movri_msg_get_%s", field_names[i]);
        if (bind_one(addresses, name, (void **)&lib.get[i]) < 0) return NULL;
        snprintf(name, sizeof name, "movri_msg_set_%s", field_names[i]);
        if (bind_one(addresses, name, (void **)&lib.set[i]) < 0) return NULL;
    }
    lib.bound = 1;
    Py_RETURN_NONE;
}

/* ---- arguments ------------------------------------------------------------ */

static movri_msg *message_at(PyObject *address) {
    if (!lib.bound) {
        PyErr_SetString(PyExc_RuntimeError, "movrimsg: the library is not bound");
        return NULL;
    }
    movri_msg *msg = PyLong_AsVoidPtr(address);
    if (msg == NULL && !PyErr_Occurred())
        PyErr_SetString(PyExc_ValueError, "the message is closed");
    return msg;
}

/* A text argument: bytes, or None for an absent text. */
static int text_of(PyObject *object, const char **text) {
    if (object == Py_None) {
        *text = NULL;
        return 1;
    }
    if (!PyBytes_Check(object)) {
        PyErr_Format(PyExc_TypeError, "expected bytes or None, not %.100s",
                     Py_TYPE(object)->tp_name);
        return 0;
    }
    *text = PyBytes_AS_STRING(object);
    if (strlen(*text) == (size_t)PyBytes_GET_SIZE(object)) return 1;
    PyErr_SetString(PyExc_ValueError, "a text cannot hold a zero byte");
    return 0;
}

static int field_of(PyObject *object, int *field) {
    long index = PyLong_AsLong(object);
    if (index == -1 && PyErr_Occurred()) return 0;
    if (index < 0 || index >= FIELD_COUNT) {
        PyErr_SetString(PyExc_IndexError, "no such field");
        return 0;
    }
    *field = (int)index;
    return 1;
}

static int positional(const char *function, Py_ssize_t nargs, Py_ssize_t wanted) {
    if (nargs == wanted) return 1;
    PyErr_Format(PyExc_TypeError, "%s() takes %zd arguments (%zd given)", function, wanted, nargs);
    return 0;
}

static PyObject *bytes_or_none(const char *text) {
    if (text == NULL) Py_RETURN_NONE;
    return PyBytes_FromString(text);
}

/* ---- Element -------------------------------------------------------------- */

typedef PyObject *(*encoder)(PyObject *);

/* The texts of an element are kept as stored (bytes), decoded (str), or
 * both. A text read in one of the common encodings is kept decoded only, and
 * its bytes are made again by the encoder on request: decoding those
 * encodings strictly and encoding back gives the very same bytes. */
typedef struct {
    PyObject ob_base;
    PyObject *raw[3];     /* tag, name, value: bytes, None when absent, NULL if not yet made */
    PyObject *decoded[3]; /* the same decoded with encoding, NULL if not yet made */
    PyObject *encoding;   /* str or None */
    encoder encode;       /* makes raw[i] from decoded[i] where raw[i] is NULL */
} Element;

static PyTypeObject ElementType;

enum { TAG, NAME, VALUE };
static const char *const raw_labels[3] = {"raw_tag", "raw_name", "raw_value"};

/* A new element taking over the references in raw and decoded (either may
 * be NULL where the other is not). */
static Element *element_new(PyObject *raw[3], PyObject *decoded[3], PyObject *encoding,
                            encoder encode) {
    Element *element = PyObject_New(Element, &ElementType);
    if (element == NULL) {
        for (int i = 0; i < 3; ++i) {
            Py_XDECREF(raw[i]);
            Py_XDECREF(decoded[i]);
        }
        return NULL;
    }
    for (int i = 0; i < 3; ++i) {
        element->raw[i] = raw[i];
        element->decoded[i] = decoded[i];
    }
    element->encoding = Py_NewRef(encoding);
    element->encode = encode;
    return element;
}

/* The stored bytes of a field (a new reference). */
static PyObject *element_raw(Element *element, int field) {
    if (element->raw[field] == NULL &&
        (element->raw[field] = element->encode(element->decoded[field])) == NULL)
        return NULL;
    return Py_NewRef(element->raw[field]);
}

static void element_dealloc(Element *element) {
    for (int i = 0; i < 3; ++i) {
        Py_XDECREF(element->raw[i]);
        Py_XDECREF(element->decoded[i]);
    }
    Py_DECREF(element->encoding);
    PyObject_Free(element);
}

static PyObject *element_construct(PyTypeObject *type, PyObject *args, PyObject *kwargs) {
    static char *keywords[] = {"raw_tag", "raw_name", "raw_value", "encoding", NULL};
    PyObject *raw[3], *encoding;
    (void)type;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OOOO:Element", keywords, &raw[TAG], &raw[NAME],
                                     &raw[VALUE], &encoding))
        return NULL;
    for (int i = 0; i < 3; ++i) {
        if (PyBytes_Check(raw[i]) || (i != TAG && raw[i] == Py_None)) continue;
        return PyErr_Format(PyExc_TypeError, "Element %s must be bytes%s, not %.100s",
                            raw_labels[i], i == TAG ? "" : " or None", Py_TYPE(raw[i])->tp_name);
    }
    if (encoding != Py_None && !PyUnicode_Check(encoding))
        return PyErr_Format(PyExc_TypeError, "Element encoding must be str or None, not %.100s",
                            Py_TYPE(encoding)->tp_name);
    PyObject *decoded[3] = {NULL, NULL, NULL};
    for (int i = 0; i < 3; ++i)
        Py_INCREF(raw[i]);
    return (PyObject *)element_new(raw, decoded, encoding, NULL);
}

static PyObject *no_encoding_error;

static PyObject *element_decoded(Element *element, int field) {
    if (element->decoded[field] != NULL) return Py_NewRef(element->decoded[field]);
    PyObject *raw = element->raw[field];
    if (raw == Py_None) Py_RETURN_NONE;
    if (element->encoding == Py_None) {
        PyErr_SetObject(PyExc_LookupError, no_encoding_error);
        return NULL;
    }
    const char *codec = PyUnicode_AsUTF8(element->encoding);
    if (codec == NULL) return NULL;
    PyObject *text = PyUnicode_Decode(PyBytes_AS_STRING(raw), PyBytes_GET_SIZE(raw), codec, NULL);
    if (text == NULL) return NULL;
    element->decoded[field] = Py_NewRef(text);
    return text;
}

static PyObject *get_tag(Element *e, void *c) { return (void)c, element_decoded(e, TAG); }
static PyObject *get_name(Element *e, void *c) { return (void)c, element_decoded(e, NAME); }
static PyObject *get_value(Element *e, void *c) { return (void)c, element_decoded(e, VALUE); }
static PyObject *get_raw_tag(Element *e, void *c) { return (void)c, element_raw(e, TAG); }
static PyObject *get_raw_name(Element *e, void *c) { return (void)c, element_raw(e, NAME); }
static PyObject *get_raw_value(Element *e, void *c) { return (void)c, element_raw(e, VALUE); }
static PyObject *get_encoding(Element *e, void *c) { return (void)c, Py_NewRef(e->encoding); }

static PyGetSetDef element_getset[] = {
    {"tag", (getter)get_tag, NULL, "The tag, decoded with `encoding`.", NULL},
    {"name", (getter)get_name, NULL, "The name, decoded with `encoding`; None when absent.", NULL},
    {"value", (getter)get_value, NULL, "The value, decoded with `encoding`; None when absent.",
     NULL},
    {"raw_tag", (getter)get_raw_tag, NULL, "The tag as stored (bytes).", NULL},
    {"raw_name", (getter)get_raw_name, NULL, "The name as stored (bytes), or None.", NULL},
    {"raw_value", (getter)get_raw_value, NULL, "The value as stored (bytes), or None.", NULL},
    {"encoding", (getter)get_encoding, NULL,
     "The message's encoding when the element was read (a Python codec name), or None.", NULL},
    {NULL, NULL, NULL, NULL, NULL},
};

static PyObject *element_fields(Element *element) {
    PyObject *fields = PyTuple_New(4);
    if (fields == NULL) return NULL;
    for (int i = 0; i < 3; ++i) {
        PyObject *raw = element_raw(element, i);
        if (raw == NULL) {
            Py_DECREF(fields);
            return NULL;
        }
        PyTuple_SET_ITEM(fields, i, raw);
    }
    PyTuple_SET_ITEM(fields, 3, Py_NewRef(element->encoding));
    return fields;
}

/* repr of the decoded text, or of the bytes when they do not decode. */
static PyObject *shown(Element *element, int field) {
    PyObject *text = element_decoded(element, field);
    if (text == NULL) {
        if (!PyErr_ExceptionMatches(PyExc_LookupError) &&
            !PyErr_ExceptionMatches(PyExc_UnicodeError))
            return NULL;
        PyErr_Clear();
        if ((text = element_raw(element, field)) == NULL) return NULL;
    }
    PyObject *result = PyObject_Repr(text);
    Py_DECREF(text);
    return result;
}

static PyObject *element_repr(Element *element) {
    PyObject *fields[3] = {NULL, NULL, NULL}, *result = NULL;
    for (int i = 0; i < 3; ++i)
        if ((fields[i] = shown(element, i)) == NULL) goto done;
    result = PyUnicode_FromFormat("Element(tag=%U, name=%U, value=%U)", fields[TAG], fields[NAME],
                                  fields[VALUE]);
done:
    for (int i = 0; i < 3; ++i)
        Py_XDECREF(fields[i]);
    return result;
}

static PyObject *element_richcompare(PyObject *a, PyObject *b, int op) {
    if (!PyObject_TypeCheck(a, &ElementType) || !PyObject_TypeCheck(b, &ElementType) ||
        (op != Py_EQ && op != Py_NE))
        Py_RETURN_NOTIMPLEMENTED;
    PyObject *left = element_fields((Element *)a), *right = element_fields((Element *)b);
    PyObject *result = left && right ? PyObject_RichCompare(left, right, op) : NULL;
    Py_XDECREF(left);
    Py_XDECREF(right);
    return result;
}

static Py_hash_t element_hash(Element *element) {
    PyObject *fields = element_fields(element);
    if (fields == NULL) return -1;
    Py_hash_t hash = PyObject_Hash(fields);
    Py_DECREF(fields);
    return hash;
}

static PyObject *element_reduce(Element *element, PyObject *unused) {
    (void)unused;
    PyObject *fields = element_fields(element);
    return fields ? Py_BuildValue("(ON)", (PyObject *)Py_TYPE(element), fields) : NULL;
}

static PyMethodDef element_methods[] = {
    {"__reduce__", (PyCFunction)element_reduce, METH_NOARGS, "Pickles the element's fields."},
    {NULL, NULL, 0, NULL},
};

PyDoc_STRVAR(element_doc,
             "Element(raw_tag, raw_name, raw_value, encoding)\n--\n\n"
             "A snapshot of one element, taken when it was read: it never changes and\n"
             "stays valid after its message changes, is closed or is collected.\n\n"
             "`raw_tag`, `raw_name` and `raw_value` are the stored bytes (None for an\n"
             "absent text); `tag`, `name` and `value` decode them with `encoding`, the\n"
             "message's encoding when the snapshot was taken, on first access (which\n"
             "raises LookupError or UnicodeDecodeError when they do not decode).\n"
             "Elements are equal when all four fields are.");

static PyTypeObject ElementType = {
    PyVarObject_HEAD_INIT(NULL, 0).tp_name = "movrimsg.Element",
    .tp_basicsize = sizeof(Element),
    .tp_dealloc = (destructor)element_dealloc,
    .tp_repr = (reprfunc)element_repr,
    .tp_hash = (hashfunc)element_hash,
    .tp_flags = Py_TPFLAGS_DEFAULT,
    .tp_doc = element_doc,
    .tp_richcompare = element_richcompare,
    .tp_methods = element_methods,
    .tp_getset = element_getset,
    .tp_new = element_construct,
};

/* ---- reading the record chain --------------------------------------------- */

/* Makes elements of one message. Texts in the common encodings are decoded
 * at once, straight from the record; others on first read. A tag's bytes and
 * text are shared among neighbours that carry the same one (most of a message
 * is "ele"). */
typedef PyObject *(*decoder)(const char *, Py_ssize_t, const char *);

typedef struct {
    decoder decode;
    encoder encode;
} Codec;

typedef struct {
    PyObject *encoding;
    Codec codec;           /* decode NULL: decode on first read */
    PyObject *tag;         /* the last tag's bytes */
    PyObject *decoded_tag; /* and its text, or NULL */
} Reader;

/* The codec of the encodings most messages use, by Python's spelling of
 * their names (case, "-" and "_" aside); none for the others. */
static Codec codec_of(PyObject *encoding) {
    static const struct {
        const char *name;
        Codec codec;
    } known[] = {
        {"iso88591", {PyUnicode_DecodeLatin1, PyUnicode_AsLatin1String}},
        {"latin1", {PyUnicode_DecodeLatin1, PyUnicode_AsLatin1String}},
        {"utf8", {PyUnicode_DecodeUTF8, PyUnicode_AsUTF8String}},
        {"ascii", {PyUnicode_DecodeASCII, PyUnicode_AsASCIIString}},
        {"usascii", {PyUnicode_DecodeASCII, PyUnicode_AsASCIIString}},
    };
    const Codec none = {NULL, NULL};
    if (encoding == Py_None) return none;
    const char *name = PyUnicode_AsUTF8(encoding);
    if (name == NULL) {
        PyErr_Clear();
        return none;
    }
    char folded[16];
    size_t length = 0;
    for (; *name != '\0'; ++name) {
        if (*name == '-' || *name == '_') continue;
        if (length + 1 == sizeof folded) return none;
        folded[length++] = (char)(*name >= 'A' && *name <= 'Z' ? *name - 'A' + 'a' : *name);
    }
    folded[length] = '\0';
    for (size_t i = 0; i < sizeof known / sizeof known[0]; ++i)
        if (strcmp(folded, known[i].name) == 0) return known[i].codec;
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
    return (PyObject *)element_new(raw, decoded, reader->encoding, reader->codec.encode);
}

static int32_t count_of(const movri_msg *msg) {
    return msg->elements != NULL ? msg->elements->count : 0;
}

static int encoding_of(PyObject *object) {
    if (object == Py_None || PyUnicode_Check(object)) return 1;
    PyErr_SetString(PyExc_TypeError, "the encoding must be str or None");
    return 0;
}

static PyObject *fast_elements(PyObject *module, PyObject *const *args, Py_ssize_t nargs) {
    (void)module;
    if (!positional("elements", nargs, 2)) return NULL;
    movri_msg *msg = message_at(args[0]);
    if (msg == NULL || !encoding_of(args[1])) return NULL;
    int32_t count = count_of(msg);
    PyObject *list = PyList_New(count);
    if (list == NULL) return NULL;
    Reader reader = {args[1], codec_of(args[1]), NULL, NULL};
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

static PyObject *fast_element_at(PyObject *module, PyObject *const *args, Py_ssize_t nargs) {
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
    Reader reader = {args[2], codec_of(args[2]), NULL, NULL};
    PyObject *element = reader_element(&reader, link->element);
    reader_release(&reader);
    return element;
}

/* ---- walks ---------------------------------------------------------------- */

/* An iterator over a list of elements, forwards or backwards, that stops
 * with ValueError once the message it was taken from is closed (its owner's
 * _handle is None). */
typedef struct {
    PyObject ob_base;
    PyObject *elements; /* list */
    PyObject *owner;
    Py_ssize_t next;
    Py_ssize_t step;
} Walk;

static PyObject *handle_attribute;

static void walk_dealloc(Walk *walk) {
    Py_DECREF(walk->elements);
    Py_DECREF(walk->owner);
    PyObject_Free(walk);
}

static PyObject *walk_next(Walk *walk) {
    if (walk->next < 0 || walk->next >= PyList_GET_SIZE(walk->elements)) return NULL;
    PyObject *handle = PyObject_GetAttr(walk->owner, handle_attribute);
    if (handle == NULL) return NULL;
    Py_DECREF(handle);
    if (handle == Py_None) {
        PyErr_SetString(PyExc_ValueError, "the message is closed");
        return NULL;
    }
    PyObject *element = PyList_GET_ITEM(walk->elements, walk->next);
    walk->next += walk->step;
    return Py_NewRef(element);
}

static PyTypeObject WalkType = {
    PyVarObject_HEAD_INIT(NULL, 0).tp_name = "movrimsg._fast.Walk",
    .tp_basicsize = sizeof(Walk),
    .tp_dealloc = (destructor)walk_dealloc,
    .tp_flags = Py_TPFLAGS_DEFAULT,
    .tp_doc = "A walk over a message's elements.",
    .tp_iter = PyObject_SelfIter,
    .tp_iternext = (iternextfunc)walk_next,
};

static PyObject *fast_walk(PyObject *module, PyObject *const *args, Py_ssize_t nargs) {
    (void)module;
    if (!positional("walk", nargs, 3)) return NULL;
    if (!PyList_Check(args[0])) return PyErr_Format(PyExc_TypeError, "walk() takes a list");
    int backwards = PyObject_IsTrue(args[2]);
    if (backwards < 0) return NULL;
    Walk *walk = PyObject_New(Walk, &WalkType);
    if (walk == NULL) return NULL;
    walk->elements = Py_NewRef(args[0]);
    walk->owner = Py_NewRef(args[1]);
    walk->step = backwards ? -1 : 1;
    walk->next = backwards ? PyList_GET_SIZE(args[0]) - 1 : 0;
    return (PyObject *)walk;
}

/* ---- messages ------------------------------------------------------------- */

static PyObject *fast_new(PyObject *module, PyObject *unused) {
    (void)module, (void)unused;
    movri_msg *msg = NULL;
    if (!lib.bound) {
        PyErr_SetString(PyExc_RuntimeError, "movrimsg: the library is not bound");
        return NULL;
    }
    if (lib.msg_init(&msg) != 0) return PyErr_NoMemory();
    return PyLong_FromVoidPtr(msg);
}

static PyObject *fast_free(PyObject *module, PyObject *address) {
    (void)module;
    movri_msg *msg = message_at(address);
    if (msg == NULL) return NULL;
    lib.msg_free(msg);
    Py_RETURN_NONE;
}

static PyObject *fast_count(PyObject *module, PyObject *address) {
    (void)module;
    movri_msg *msg = message_at(address);
    return msg ? PyLong_FromLong(count_of(msg)) : NULL;
}

static PyObject *fast_parse(PyObject *module, PyObject *const *args, Py_ssize_t nargs) {
    (void)module;
    if (!positional("parse", nargs, 2)) return NULL;
    movri_msg *msg = message_at(args[0]);
    const char *document;
    if (msg == NULL || !text_of(args[1], &document)) return NULL;
    PyThreadState *thread = PyEval_SaveThread();
    int32_t result = lib.msg_parse(msg, document);
    PyEval_RestoreThread(thread);
    return PyLong_FromLong(result);
}

static PyObject *fast_render(PyObject *module, PyObject *address) {
    (void)module;
    movri_msg *msg = message_at(address);
    if (msg == NULL) return NULL;
    char *document = NULL;
    PyThreadState *thread = PyEval_SaveThread();
    int32_t result = lib.msg_to_str(msg, &document);
    PyEval_RestoreThread(thread);
    if (result != 0) Py_RETURN_NONE;
    PyObject *rendered = PyBytes_FromString(document);
    lib.free(document);
    return rendered;
}

static PyObject *fast_append(PyObject *module, PyObject *const *args, Py_ssize_t nargs) {
    (void)module;
    if (!positional("append", nargs, 4)) return NULL;
    movri_msg *msg = message_at(args[0]);
    const char *tag, *name, *value;
    if (msg == NULL || !text_of(args[1], &tag) || !text_of(args[2], &name) ||
        !text_of(args[3], &value))
        return NULL;
    return PyLong_FromLong(lib.append_element(msg, tag, name, value));
}

static PyObject *fast_get_field(PyObject *module, PyObject *const *args, Py_ssize_t nargs) {
    (void)module;
    int field;
    if (!positional("get_field", nargs, 2)) return NULL;
    movri_msg *msg = message_at(args[0]);
    if (msg == NULL || !field_of(args[1], &field)) return NULL;
    return bytes_or_none(lib.get[field](msg));
}

static PyObject *fast_set_field(PyObject *module, PyObject *const *args, Py_ssize_t nargs) {
    (void)module;
    int field;
    const char *text;
    if (!positional("set_field", nargs, 3)) return NULL;
    movri_msg *msg = message_at(args[0]);
    if (msg == NULL || !field_of(args[1], &field) || !text_of(args[2], &text)) return NULL;
    return PyLong_FromLong(lib.set[field](msg, text));
}

static PyMethodDef fast_methods[] = {
    {"bind", fast_bind, METH_O, "Takes the library's function addresses, by name."},
    {"new", fast_new, METH_NOARGS, "A new message's address (movri_msg_init)."},
    {"free", fast_free, METH_O, "Releases a message (movri_msg_free)."},
    {"count", fast_count, METH_O, "The number of elements of a message."},
    {"parse", (PyCFunction)(void (*)(void))fast_parse, METH_FASTCALL,
     "movri_msg_parse(msg, document): 0 or -1."},
    {"render", fast_render, METH_O, "movri_msg_to_str's document, or None when it fails."},
    {"append", (PyCFunction)(void (*)(void))fast_append, METH_FASTCALL,
     "movri_msg_append_element(msg, tag, name, value): a position or -1."},
    {"get_field", (PyCFunction)(void (*)(void))fast_get_field, METH_FASTCALL,
     "The property or header value at an index of FIELDS."},
    {"set_field", (PyCFunction)(void (*)(void))fast_set_field, METH_FASTCALL,
     "Sets the property or header value at an index of FIELDS: 0 or a position, or -1."},
    {"elements", (PyCFunction)(void (*)(void))fast_elements, METH_FASTCALL,
     "elements(msg, encoding): all elements, in position order."},
    {"walk", (PyCFunction)(void (*)(void))fast_walk, METH_FASTCALL,
     "walk(elements, owner, backwards): an iterator over the list that stops once the owner's "
     "_handle is None."},
    {"element_at", (PyCFunction)(void (*)(void))fast_element_at, METH_FASTCALL,
     "element_at(msg, pos, encoding): the element at a position."},
    {NULL, NULL, 0, NULL},
};

static struct PyModuleDef fast_module = {
    PyModuleDef_HEAD_INIT,
    "movrimsg._fast",
    "The package's hot paths over the C library.",
    -1,
    fast_methods,
    NULL,
    NULL,
    NULL,
    NULL,
};

PyMODINIT_FUNC PyInit__fast(void) {
    if (PyType_Ready(&ElementType) < 0 || PyType_Ready(&WalkType) < 0) return NULL;
    handle_attribute = PyUnicode_InternFromString("_handle");
    if (handle_attribute == NULL) return NULL;
    no_encoding_error =
        PyUnicode_FromString("the message has no encoding: set Message.encoding, or pass bytes");
    if (no_encoding_error == NULL) return NULL;
    PyObject *module = PyModule_Create(&fast_module);
    if (module == NULL) return NULL;
    PyObject *fields =
        Py_BuildValue("(ssssssss)", field_names[0], field_names[1], field_names[2], field_names[3],
                      field_names[4], field_names[5], field_names[6], field_names[7]);
    if (fields == NULL || PyModule_AddObject(module, "FIELDS", fields) < 0 ||
        PyModule_AddObjectRef(module, "Element", (PyObject *)&ElementType) < 0) {
        Py_XDECREF(fields);
        Py_DECREF(module);
        return NULL;
    }
    return module;
}
