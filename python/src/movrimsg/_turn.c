/*
 * Turn: a message's turn at its C message. The calls of all threads take
 * turns, one at a time; one that comes back to the same message from within
 * a turn on the same thread (a finalizer the collector runs, or a signal
 * handler) gets RuntimeError instead of waiting forever for its own thread.
 */
#include "_fast.h"

#include <pythread.h>

typedef struct {
    PyObject ob_base;
    PyThread_type_lock lock;
    unsigned long holder; /* the thread whose turn it is, 0 for none */
} Turn;

static PyObject *turn_new(PyTypeObject *type, PyObject *args, PyObject *kwargs) {
    static char *keywords[] = {NULL};
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, ":Turn", keywords)) return NULL;
    Turn *turn = (Turn *)type->tp_alloc(type, 0);
    if (turn == NULL) return NULL;
    if ((turn->lock = PyThread_allocate_lock()) == NULL) {
        Py_DECREF(turn);
        return PyErr_NoMemory();
    }
    return (PyObject *)turn;
}

static void turn_dealloc(Turn *turn) {
    if (turn->lock != NULL) PyThread_free_lock(turn->lock);
    Py_TYPE(turn)->tp_free(turn);
}

static PyObject *turn_enter(Turn *turn, PyObject *unused) {
    (void)unused;
    unsigned long me = PyThread_get_thread_ident();
    if (turn->holder == me) { /* only this thread sets its own ident */
        PyErr_SetString(PyExc_RuntimeError,
                        "the message is in the middle of a call on this thread");
        return NULL;
    }
    if (!PyThread_acquire_lock(turn->lock, NOWAIT_LOCK)) {
        Py_BEGIN_ALLOW_THREADS PyThread_acquire_lock(turn->lock, WAIT_LOCK);
        Py_END_ALLOW_THREADS
    }
    turn->holder = me;
    Py_RETURN_NONE;
}

static PyObject *turn_exit(Turn *turn, PyObject *const *args, Py_ssize_t nargs) {
    (void)args, (void)nargs;
    if (turn->holder != PyThread_get_thread_ident()) {
        PyErr_SetString(PyExc_RuntimeError, "the turn is not this thread's");
        return NULL;
    }
    turn->holder = 0;
    PyThread_release_lock(turn->lock);
    Py_RETURN_FALSE;
}

static PyMethodDef turn_methods[] = {
    {"__enter__", (PyCFunction)turn_enter, METH_NOARGS, "Waits for the message's turn."},
    {"__exit__", (PyCFunction)(void (*)(void))turn_exit, METH_FASTCALL, "Ends the turn."},
    {NULL, NULL, 0, NULL},
};

PyTypeObject TurnType = {
    PyVarObject_HEAD_INIT(NULL, 0).tp_name = "movrimsg._fast.Turn",
    .tp_basicsize = sizeof(Turn),
    .tp_dealloc = (destructor)turn_dealloc,
    .tp_flags = Py_TPFLAGS_DEFAULT,
    .tp_doc = "A message's turn at its C message (a context manager).",
    .tp_methods = turn_methods,
    .tp_new = turn_new,
};
