/*
 * Walk: an iterator over a list of elements, forwards or backwards, that
 * stops with ValueError once the message it was taken from is closed (its
 * owner's _handle is None). It refers to its owner, so a message that refers
 * to one of its walks makes a cycle, which the collector breaks.
 */
#include "_fast.h"

typedef struct {
    PyObject ob_base;
    PyObject *elements; /* list; NULL once a cycle was broken here */
    PyObject *owner;
    Py_ssize_t next;
    Py_ssize_t step;
} Walk;

static PyObject *handle_attribute;

static int walk_traverse(Walk *walk, visitproc visit, void *arg) {
    Py_VISIT(walk->elements);
    Py_VISIT(walk->owner);
    return 0;
}

static int walk_clear(Walk *walk) {
    Py_CLEAR(walk->elements);
    Py_CLEAR(walk->owner);
    return 0;
}

static void walk_dealloc(Walk *walk) {
    PyObject_GC_UnTrack(walk);
    walk_clear(walk);
    PyObject_GC_Del(walk);
}

static PyObject *walk_next(Walk *walk) {
    if (walk->elements == NULL || walk->next < 0 || walk->next >= PyList_GET_SIZE(walk->elements))
        return NULL;
    PyObject *handle = PyObject_GetAttr(walk->owner, handle_attribute);
    if (handle == NULL) return NULL;
    Py_DECREF(handle);
    if (handle == Py_None) {
        PyErr_SetString(PyExc_ValueError, "the message is closed");
        return NULL;
    }
    /* Reading the handle may have run Python code that broke the cycle. */
    if (walk->elements == NULL || walk->next >= PyList_GET_SIZE(walk->elements)) return NULL;
    PyObject *element = PyList_GET_ITEM(walk->elements, walk->next);
    walk->next += walk->step;
    return Py_NewRef(element);
}

PyTypeObject WalkType = {
    PyVarObject_HEAD_INIT(NULL, 0).tp_name = "movrimsg._fast.Walk",
    .tp_basicsize = sizeof(Walk),
    .tp_dealloc = (destructor)walk_dealloc,
    .tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC,
    .tp_doc = "A walk over a message's elements.",
    .tp_traverse = (traverseproc)walk_traverse,
    .tp_clear = (inquiry)walk_clear,
    .tp_iter = PyObject_SelfIter,
    .tp_iternext = (iternextfunc)walk_next,
};

int walk_ready(void) {
    handle_attribute = PyUnicode_InternFromString("_handle");
    return handle_attribute != NULL && PyType_Ready(&WalkType) == 0 ? 0 : -1;
}

PyObject *fast_walk(PyObject *module, PyObject *const *args, Py_ssize_t nargs) {
    (void)module;
    if (!positional("walk", nargs, 3)) return NULL;
    if (!PyList_Check(args[0])) return PyErr_Format(PyExc_TypeError, "walk() takes a list");
    int backwards = PyObject_IsTrue(args[2]);
    if (backwards < 0) return NULL;
    Walk *walk = PyObject_GC_New(Walk, &WalkType);
    if (walk == NULL) return NULL;
    walk->elements = Py_NewRef(args[0]);
    walk->owner = Py_NewRef(args[1]);
    walk->step = backwards ? -1 : 1;
    walk->next = backwards ? PyList_GET_SIZE(args[0]) - 1 : 0;
    PyObject_GC_Track(walk);
    return (PyObject *)walk;
}
