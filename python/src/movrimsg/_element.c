/* Element: a snapshot of one element of a message. */
#include <string.h>

#include "_fast.h"

static const char *const raw_labels[3] = {"raw_tag", "raw_name", "raw_value"};
static PyObject *no_encoding_error;
static PyObject *codec_lookup; /* codecs.lookup */

int may_refer(PyObject *object) {
    return object != NULL && object != Py_None && !PyBytes_CheckExact(object) &&
           !PyUnicode_CheckExact(object);
}

Element *element_new(PyObject *raw[3], PyObject *decoded[3], PyObject *encoding, encoder encode,
                     int watched) {
    Element *element = PyObject_GC_New(Element, &ElementType);
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
    if (watched) PyObject_GC_Track(element);
    return element;
}

/* Keeps the first text made for a slot: converting may have run Python code
 * that filled it meanwhile. Takes over made; a new reference to the kept. */
static PyObject *keep_first(PyObject **slot, PyObject *made) {
    if (made == NULL) return NULL;
    if (*slot == NULL) {
        *slot = made;
        return Py_NewRef(made);
    }
    Py_DECREF(made);
    return Py_NewRef(*slot);
}

/* The stored bytes of a field (a new reference). */
static PyObject *element_raw(Element *element, int field) {
    if (element->raw[field] != NULL) return Py_NewRef(element->raw[field]);
    PyObject *decoded = Py_NewRef(element->decoded[field]);
    PyObject *raw = keep_first(&element->raw[field], element->encode(decoded));
    Py_DECREF(decoded);
    return raw;
}

static PyObject *decode(PyObject *raw, PyObject *encoding) {
    Py_ssize_t size;
    const char *codec = PyUnicode_AsUTF8AndSize(encoding, &size);
    if (codec == NULL) return NULL;
    if (strlen(codec) != (size_t)size) /* no codec has a zero byte in its name */
        return PyErr_Format(PyExc_LookupError, "unknown encoding: %R", encoding);
    return PyUnicode_Decode(PyBytes_AS_STRING(raw), PyBytes_GET_SIZE(raw), codec, NULL);
}

static PyObject *element_decoded(Element *element, int field) {
    if (element->decoded[field] != NULL) return Py_NewRef(element->decoded[field]);
    if (element->raw[field] == Py_None) Py_RETURN_NONE;
    if (element->encoding == Py_None) {
        PyErr_SetObject(PyExc_LookupError, no_encoding_error);
        return NULL;
    }
    /* The codec may be Python code: what it reads must outlive it. */
    PyObject *raw = Py_NewRef(element->raw[field]), *encoding = Py_NewRef(element->encoding);
    PyObject *text = keep_first(&element->decoded[field], decode(raw, encoding));
    Py_DECREF(raw);
    Py_DECREF(encoding);
    return text;
}

/* A codec's own name for an encoding Python knows; others as they are (a
 * name codecs.lookup refuses as a value, too: decoding refuses it later). */
static PyObject *codec_name(PyObject *encoding) {
    if (encoding == Py_None) return Py_NewRef(encoding);
    PyObject *info = PyObject_CallOneArg(codec_lookup, encoding);
    if (info == NULL) {
        if (!PyErr_ExceptionMatches(PyExc_LookupError) && !PyErr_ExceptionMatches(PyExc_ValueError))
            return NULL;
        PyErr_Clear();
        return Py_NewRef(encoding);
    }
    PyObject *name = PyObject_GetAttrString(info, "name");
    Py_DECREF(info);
    if (name == NULL || PyUnicode_Check(name)) return name;
    Py_DECREF(name);
    return Py_NewRef(encoding);
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
    PyObject *name = codec_name(encoding);
    if (name == NULL) return NULL;
    PyObject *decoded[3] = {NULL, NULL, NULL};
    int watched = may_refer(name);
    for (int i = 0; i < 3; ++i) {
        Py_INCREF(raw[i]);
        watched |= may_refer(raw[i]);
    }
    Element *element = element_new(raw, decoded, name, NULL, watched);
    Py_DECREF(name);
    return (PyObject *)element;
}

static int element_traverse(Element *element, visitproc visit, void *arg) {
    for (int i = 0; i < 3; ++i) {
        Py_VISIT(element->raw[i]);
        Py_VISIT(element->decoded[i]);
    }
    Py_VISIT(element->encoding);
    return 0;
}

/* Breaks a cycle: every text becomes None, which every getter takes. */
static int element_clear(Element *element) {
    for (int i = 0; i < 3; ++i) {
        Py_XSETREF(element->raw[i], Py_NewRef(Py_None));
        Py_XSETREF(element->decoded[i], Py_NewRef(Py_None));
    }
    Py_XSETREF(element->encoding, Py_NewRef(Py_None));
    return 0;
}

static void element_dealloc(Element *element) {
    PyObject_GC_UnTrack(element);
    for (int i = 0; i < 3; ++i) {
        Py_XDECREF(element->raw[i]);
        Py_XDECREF(element->decoded[i]);
    }
    Py_XDECREF(element->encoding);
    PyObject_GC_Del(element);
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
     "The message's encoding when the element was read, by its Python codec's own name\n"
     "(codecs.lookup(name).name) when Python knows it, or None.",
     NULL},
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
             "raises LookupError or UnicodeDecodeError when they do not decode). An\n"
             "encoding Python knows is kept by its codec's own name, so that every\n"
             "spelling of it means the same. Elements are equal when all four fields are.");

PyTypeObject ElementType = {
    PyVarObject_HEAD_INIT(NULL, 0).tp_name = "movrimsg.Element",
    .tp_basicsize = sizeof(Element),
    .tp_dealloc = (destructor)element_dealloc,
    .tp_repr = (reprfunc)element_repr,
    .tp_hash = (hashfunc)element_hash,
    .tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC,
    .tp_doc = element_doc,
    .tp_traverse = (traverseproc)element_traverse,
    .tp_clear = (inquiry)element_clear,
    .tp_richcompare = element_richcompare,
    .tp_methods = element_methods,
    .tp_getset = element_getset,
    .tp_new = element_construct,
};

int element_ready(void) {
    no_encoding_error =
        PyUnicode_FromString("the message has no encoding: set Message.encoding, or pass bytes");
    PyObject *codecs = PyImport_ImportModule("codecs");
    if (codecs == NULL || no_encoding_error == NULL) {
        Py_XDECREF(codecs);
        return -1;
    }
    codec_lookup = PyObject_GetAttrString(codecs, "lookup");
    Py_DECREF(codecs);
    return codec_lookup != NULL && PyType_Ready(&ElementType) == 0 ? 0 : -1;
}
