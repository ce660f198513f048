/*
 * What the parts of the extension module share: the library's functions,
 * bound at import, the Element type, and the helpers that read arguments.
 *
 * _fast.c: the module, the binding and the calls on a whole message;
 * _element.c: Element; _reader.c: making Elements from the record chain;
 * _walk.c: the iterator over a message's elements; _turn.c: a message's lock.
 */
#ifndef MOVRIMSG_PYTHON_FAST_H
#define MOVRIMSG_PYTHON_FAST_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "movrimsg.h"

/* ---- the library's functions ------------------------------------------------ */

typedef const char *(*field_getter)(const movri_msg *);
typedef int32_t (*field_setter)(movri_msg *, const char *);

#define FIELD_COUNT 8

typedef struct {
    int32_t (*msg_init)(movri_msg **);
    void (*msg_free)(movri_msg *);
    int32_t (*msg_parse)(movri_msg *, const char *);
    int32_t (*msg_to_str)(const movri_msg *, char **);
    void (*free)(void *);
    int32_t (*append_element)(movri_msg *, const char *, const char *, const char *);
    field_getter get[FIELD_COUNT];
    field_setter set[FIELD_COUNT];
    int bound;
} Library;

extern Library lib;

/* ---- arguments and results -------------------------------------------------- */

/* The message at an address; NULL with an exception set. */
movri_msg *message_at(PyObject *address);
int32_t count_of(const movri_msg *msg);
int positional(const char *function, Py_ssize_t nargs, Py_ssize_t wanted);
PyObject *bytes_or_none(const char *text);

/* ---- Element ---------------------------------------------------------------- */

typedef PyObject *(*encoder)(PyObject *);

/* The texts of an element are kept as stored (bytes), decoded (str), or
 * both. A text read in one of the common encodings is kept decoded only, and
 * its bytes are made again by the encoder on request: decoding those
 * encodings strictly and encoding back gives the very same bytes. */
typedef struct {
    PyObject ob_base;
    PyObject *raw[3];     /* tag, name, value: bytes, None when absent, NULL if not yet made */
    PyObject *decoded[3]; /* the same decoded with encoding, NULL if not yet made */
    PyObject *encoding;   /* str or None: a codec's own name when Python knows it */
    encoder encode;       /* makes raw[i] from decoded[i] where raw[i] is NULL */
} Element;

enum { TAG, NAME, VALUE };

extern PyTypeObject ElementType;

/* A new element taking over the references in raw and decoded (either may
 * be NULL where the other is not), watched by the collector when one of its
 * texts may refer to other objects (see may_refer). One made of exact bytes
 * and str alone, as every element read from a message is, cannot be part of
 * a cycle: the collector need not watch it. */
Element *element_new(PyObject *raw[3], PyObject *decoded[3], PyObject *encoding, encoder encode,
                     int watched);
/* Whether an object may refer to others, and so close a cycle: anything but
 * None and exact bytes and str. */
int may_refer(PyObject *object);
int element_ready(void);

/* ---- reading the record chain and walking it -------------------------------- */

PyObject *fast_elements(PyObject *module, PyObject *const *args, Py_ssize_t nargs);
PyObject *fast_element_at(PyObject *module, PyObject *const *args, Py_ssize_t nargs);

extern PyTypeObject WalkType;
int walk_ready(void);
PyObject *fast_walk(PyObject *module, PyObject *const *args, Py_ssize_t nargs);

extern PyTypeObject TurnType;

#endif
