#ifndef VN_CONTROLLER_HTTP_REPLY_H
#define VN_CONTROLLER_HTTP_REPLY_H

#include <string>

struct mg_connection;

// Replies of the web routes. Each carries its Content-Length, so a client
// knows where it ends whether the connection stays open or not.

namespace VN_Sample {

// Put in front of every XML reply SendXml writes.
extern const char* const XmlDeclaration;

// A plain text reply.
void SendText(mg_connection* connection, const std::string& text);
// An XML reply: the declaration, then the text.
void SendXml(mg_connection* connection, const std::string& xml);
// An XML reply of a document that has its own declaration.
void SendXmlDocument(mg_connection* connection, const std::string& document);
// An error status with a short text.
void SendError(mg_connection* connection, int status, const char* text);

}  // namespace VN_Sample

#endif
