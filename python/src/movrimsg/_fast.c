/*
 * The package's hot paths in C: making, parsing, rendering and releasing a
 * message, appending to it, its properties and header; the Element type, the
 * reading of a message's records and the walk over them live beside this
 * file (see _fast.h).
 *
 * The module links against nothing: the package loads the library (see
 * _loader.py) and hands the addresses of the functions used here to bind().
 * A message is passed around as its address, a Python int, owned by the
 * Message object that made it.
 */
#include <string.h>

#include "_fast.h"

/* ---- the library's functions, bound at import ----------------------------- */

static const char *const field_names[FIELD_COUNT] = {"version", "encoding", "dtd",     "id",
                                                     "sn",      "total",    "msgmode", "msgname"};

Library lib;

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

movri_msg *message_at(PyObject *address) {
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

int positional(const char *function, Py_ssize_t nargs, Py_ssize_t wanted) {
    if (nargs == wanted) return 1;
    PyErr_Format(PyExc_TypeError, "%s() takes %zd arguments (%zd given)", function, wanted, nargs);
    return 0;
}

PyObject *bytes_or_none(const char *text) {
    if (text == NULL) Py_RETURN_NONE;
    return PyBytes_FromString(text);
}

/* ---- messages ------------------------------------------------------------- */

int32_t count_of(const movri_msg *msg) { return msg->elements != NULL ? msg->elements->count : 0; }

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
    if (element_ready() < 0 || walk_ready() < 0 || PyType_Ready(&TurnType) < 0) return NULL;
    PyObject *module = PyModule_Create(&fast_module);
    if (module == NULL) return NULL;
    PyObject *fields =
        Py_BuildValue("(ssssssss)", field_names[0], field_names[1], field_names[2], field_names[3],
                      field_names[4], field_names[5], field_names[6], field_names[7]);
    int added = fields != NULL && PyModule_AddObjectRef(module, "FIELDS", fields) == 0 &&
                PyModule_AddObjectRef(module, "Element", (PyObject *)&ElementType) == 0 &&
                PyModule_AddObjectRef(module, "Turn", (PyObject *)&TurnType) == 0;
    Py_XDECREF(fields);
    if (added) return module;
    Py_DECREF(module);
    return NULL;
}
