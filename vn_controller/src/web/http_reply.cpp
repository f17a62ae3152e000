#include "web/http_reply.h"

#include <civetweb.h>

namespace VN_Sample {

namespace {

// Status line and headers; the Content-Length and blank line follow. The
// server closes every connection after its reply, so no reply may say
// "keep-alive": a client would send its next request into the closed socket.
const char* const StandardReply = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n";
const char* const StandardXmlReply = "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nConnection: close\r\n";

// One write, so a reply is never interleaved or cut between header and body.
void Send(mg_connection* connection, const char* header, const std::string& body) {
    const std::string reply =
        std::string(header) + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    mg_write(connection, reply.data(), reply.size());
}

}  // namespace

const char* const XmlDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>";

void SendText(mg_connection* connection, const std::string& text) { Send(connection, StandardReply, text); }

void SendXml(mg_connection* connection, const std::string& xml) {
    Send(connection, StandardXmlReply, XmlDeclaration + xml);
}

void SendXmlDocument(mg_connection* connection, const std::string& document) {
    Send(connection, StandardXmlReply, document);
}

void SendError(mg_connection* connection, int status, const char* text) {
    const std::string header = "HTTP/1.1 " + std::to_string(status) + " " +
                               mg_get_response_code_text(connection, status) +
                               "\r\nContent-Type: text/plain\r\nConnection: close\r\n";
    Send(connection, header.c_str(), std::string(text) + "\n");
}

}  // namespace VN_Sample
