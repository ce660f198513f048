// The libraries compared: each sends a message as a document and receives a
// document back into its own tree (or, for the expat floors, into nothing).
#pragma once

#include "documents.h"

#include <string>
#include <vector>

namespace bench {

// A contender's two jobs. With a null `out` they run as timed: everything
// made is released before they return. With `out` they also hand back what
// they produced so that it can be checked.
struct Contender {
    const char *name;
    // Builds the message and writes its document; null for readers only.
    bool (*send)(const Message &msg, std::string *out);
    // Parses the document and reads the header and every element.
    bool (*receive)(const std::string &doc, Message *out);
    // Whether receive hands back what it read (the bare expat floor cannot).
    bool reads_back;
};

bool movrimsg_send(const Message &msg, std::string *out);
bool movrimsg_receive(const std::string &doc, Message *out);

bool expat_bare_receive(const std::string &doc, Message *out);
bool expat_copy_receive(const std::string &doc, Message *out);
bool expat_keep_receive(const std::string &doc, Message *out);

#ifdef MOVRIMSG_BENCH_HAVE_PUGIXML
bool pugixml_send(const Message &msg, std::string *out);
bool pugixml_receive(const std::string &doc, Message *out);
#endif

#ifdef MOVRIMSG_BENCH_HAVE_TINYXML2
bool tinyxml2_send(const Message &msg, std::string *out);
bool tinyxml2_receive(const std::string &doc, Message *out);
#endif

// Every contender built in, movrimsg first.
const std::vector<Contender> &contenders();

// Keeps a value alive for the optimiser without costing a call.
template <class T>
inline void keep(const T &value) {
    asm volatile("" : : "r,m"(value) : "memory");
}

}  // namespace bench
