#!/usr/bin/env python3
"""Local stand-in for the tax authority's web service (one SOAP operation, doService).

Serves POST <any base>/services/CustomServiceEntry on 127.0.0.1. The last path segment of the
base address names a scenario of the scenario file (unknown or empty: "default"), so a client
picks the behaviour by the address it calls. Every request is checked strictly against the
wire format the launcher must send (rpc/encoded SOAP 1.1); a request that breaks it gets a
SOAP Fault naming the fault. Requests are recorded and can be read back over /control/...:

  GET  /control/count              number of recorded requests
  GET  /control/last/<field>       field of the last request: sid, inputData (raw bytes),
                                   inputText (UTF-8), props ("name=value" CRLF lines), error,
                                   scenario, soapaction, contenttype, useragent
  GET  /control/requests           every record as JSON
  GET  /control/packages           ids of the package requests (msid 901), one a line
  POST /control/reset              forget the records and which faults have struck
  POST /control/scenario/<name>    add or replace a scenario (its JSON as the body)
  POST /control/release/<name>     let a "held" scenario's module-list replies go

Tests under Wine cannot reach two file faults themselves; the peer makes them on request, the
body being a Unix path:
  POST /control/devfull            put a link to /dev/full at the path (a full disk for writes)
  POST /control/unlink             remove such a link (Wine cannot delete a link to a device)
  POST /control/immutable/set      chattr +i on the path (root cannot write there either);
                                   409 when the file system or the container refuses it,
                                   500 when chattr is not installed
  POST /control/immutable/clear    chattr -i on the path

A package is text, base64, a pattern of a given size or a file of the package folder
(--package-dir, made at build time; read on each request). It may carry a fault: "soap" (a SOAP
Fault), "half" (the connection closes after half of the announced body), "cutbase64" (returnData
cut to a length that is not a multiple of 4); with "once" the fault hits the first request only.
A scenario's "listFault" does the same to the module list.

Besides answers of every form, some scenarios play a hostile server: one that reads the request
and never answers ("silent"), one that trickles its reply a byte at a time ("trickle"), one that
reads nothing of the request ("deaf"), replies with a document type declaration ("dtdexpand",
"dtdexternal", "dtdplain"), announces a length far beyond what it sends ("hugelength": "length", and
"padding" bytes after the XML declaration) and a redirect to the same address for every method
("redirectloop"). A "held" scenario answers as usual, but holds its module-list replies until a
test releases the scenario over /control/release/<name> ("hold": the most seconds it waits, 120 by
default), so that the client's window stays on screen while the test looks at it; adding the
scenario again holds anew.

Run:  server.py [--port N] [--port-file F] [--pid-file F] [--scenarios FILE] [--daemon]
      server.py --stop --pid-file F
"""
import argparse
import base64
import io
import json
import os
import re
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import xml.etree.ElementTree as ET
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

NS_ENV = "http://schemas.xmlsoap.org/soap/envelope/"
NS_ENC = "http://schemas.xmlsoap.org/soap/encoding/"
NS_XSD = "http://www.w3.org/2001/XMLSchema"
NS_XSI = "http://www.w3.org/2001/XMLSchema-instance"
NS_TYPES = "urn:CustomService"
SERVICE_PATH = "/services/CustomServiceEntry"
ENTITY_FIELDS = ["casignData", "formData", "inputData", "props", "returnData", "rtCode", "rtMsg"]
BYTE_FIELDS = {"casignData", "formData", "inputData", "returnData"}
HERE = os.path.dirname(os.path.abspath(__file__))


class RequestError(Exception):
    """A request that breaks the wire format; the text goes back as the fault string."""


def q(ns, name):
    return "{%s}%s" % (ns, name)


# ---------------------------------------------------------------- request validation

class ParsedRequest:
    def __init__(self):
        self.sid = ""
        self.input_data = b""
        self.props = []
        self.entity = {}


def _parse_with_namespaces(body):
    """Parses the body and answers (root, declarations per element)."""
    decls = {}
    pending = []
    root = None
    try:
        for event, item in ET.iterparse(io.BytesIO(body), events=("start-ns", "start")):
            if event == "start-ns":
                pending.append(item)
            else:
                if root is None:
                    root = item
                decls[item] = list(pending)
                pending = []
    except ET.ParseError as e:
        raise RequestError("request is not well-formed XML: %s" % e)
    return root, decls


class _Resolver:
    """Resolves QName values (xsi:type, arrayType) against the declarations in scope."""

    def __init__(self, root, decls):
        self.scope = {}
        self.decls = decls
        self._walk(root, {})

    def _walk(self, el, inherited):
        mine = dict(inherited)
        for prefix, uri in self.decls.get(el, []):
            mine[prefix] = uri
        self.scope[el] = mine
        for child in el:
            self._walk(child, mine)

    def qname(self, el, value, what):
        if ":" not in value:
            raise RequestError("%s '%s' has no namespace prefix" % (what, value))
        prefix, local = value.split(":", 1)
        uri = self.scope[el].get(prefix)
        if uri is None:
            raise RequestError("%s '%s' uses an undeclared prefix" % (what, value))
        return uri, local


def _expect_type(res, el, ns, local, where):
    value = el.get(q(NS_XSI, "type"))
    if value is None:
        raise RequestError("%s has no xsi:type" % where)
    if res.qname(el, value, "xsi:type of " + where) != (ns, local):
        raise RequestError("%s has xsi:type '%s', expected %s:%s" % (where, value, ns, local))


def _b64(text, where):
    text = text or ""
    if re.search(r"\s", text):
        raise RequestError("%s holds white space inside its base64 text" % where)
    try:
        return base64.b64decode(text, validate=True)
    except Exception:
        raise RequestError("%s is not valid base64" % where)


def _leaf_text(el, where):
    if len(el):
        raise RequestError("%s must not have child elements" % where)
    return el.text or ""


def validate_request(body):
    try:
        body.decode("utf-8")
    except UnicodeDecodeError:
        raise RequestError("request body is not UTF-8")
    decl = re.match(rb'\s*<\?xml[^>]*?encoding\s*=\s*["\']([^"\']*)["\']', body)
    if decl and decl.group(1).lower() not in (b"utf-8", b"utf8"):
        raise RequestError("request declares encoding %s, expected UTF-8" % decl.group(1).decode("ascii", "replace"))
    root, decls = _parse_with_namespaces(body)
    if root.tag != q(NS_ENV, "Envelope"):
        raise RequestError("root element is %s, expected SOAP-ENV:Envelope" % root.tag)
    declared = dict(decls[root])
    for prefix, uri in (("SOAP-ENV", NS_ENV), ("xsd", NS_XSD), ("xsi", NS_XSI), ("SOAP-ENC", NS_ENC)):
        if declared.get(prefix) != uri:
            raise RequestError("Envelope does not declare xmlns:%s=\"%s\"" % (prefix, uri))
    res = _Resolver(root, decls)
    children = list(root)
    if any(c.tag == q(NS_ENV, "Header") for c in children):
        raise RequestError("request must not carry a SOAP-ENV:Header")
    if len(children) != 1 or children[0].tag != q(NS_ENV, "Body"):
        raise RequestError("Envelope must hold exactly one SOAP-ENV:Body")
    body_el = children[0]
    if body_el.get(q(NS_ENV, "encodingStyle")) != NS_ENC:
        raise RequestError("Body lacks SOAP-ENV:encodingStyle=\"%s\"" % NS_ENC)
    parts = list(body_el)
    if not parts:
        raise RequestError("Body is empty")
    op = parts[0]
    m = re.match(r"\{(.*)\}doService$", op.tag)
    if not m or not m.group(1).startswith("http") or not m.group(1).endswith("/wsbs/services/"):
        raise RequestError("first Body element is %s, expected doService in the .../wsbs/services/ namespace" % op.tag)
    multirefs = {}
    for el in parts[1:]:
        ident = el.get("id")
        if ident is None:
            raise RequestError("multi-reference element %s has no id" % el.tag)
        if ident in multirefs:
            raise RequestError("id %s is used twice" % ident)
        multirefs[ident] = el
    expected_ids = [str(i) for i in range(1, len(multirefs) + 1)]
    if sorted(multirefs, key=lambda s: (len(s), s)) != expected_ids:
        raise RequestError("multi-reference ids must count from 1, got %s" % ", ".join(multirefs))
    used = set()

    def deref(el, where):
        href = el.get("href")
        if href is None or not href.startswith("#"):
            raise RequestError("%s must refer to a multi-reference element by href=\"#id\"" % where)
        if len(el) or (el.text or "").strip():
            raise RequestError("%s carries href and content" % where)
        target = multirefs.get(href[1:])
        if target is None:
            raise RequestError("%s refers to missing id %s" % (where, href[1:]))
        if href[1:] in used:
            raise RequestError("%s refers to id %s, which another element already refers to" % (where, href[1:]))
        used.add(href[1:])
        return target

    op_children = list(op)
    if [c.tag for c in op_children] != ["sid", "param"]:
        raise RequestError("doService must hold sid then param, got %s" % [c.tag for c in op_children])
    sid_el, param_el = op_children
    _expect_type(res, sid_el, NS_XSD, "string", "sid")
    req = ParsedRequest()
    req.sid = _leaf_text(sid_el, "sid")
    entity = deref(param_el, "param")
    if entity.tag != q(NS_TYPES, "CustomEntity"):
        raise RequestError("param refers to %s, expected CustomEntity of %s" % (entity.tag, NS_TYPES))
    _expect_type(res, entity, NS_TYPES, "CustomEntity", "CustomEntity")
    fields = list(entity)
    if [f.tag for f in fields] != ENTITY_FIELDS:
        raise RequestError("CustomEntity fields must be %s in this order, got %s"
                           % (", ".join(ENTITY_FIELDS), ", ".join(f.tag for f in fields)))
    for f in fields:
        if f.tag in BYTE_FIELDS:
            _expect_type(res, f, NS_XSD, "base64Binary", f.tag)
            req.entity[f.tag] = _b64(_leaf_text(f, f.tag), f.tag)
        elif f.tag in ("rtCode", "rtMsg"):
            _expect_type(res, f, NS_XSD, "string", f.tag)
            req.entity[f.tag] = _leaf_text(f, f.tag)
        else:  # props
            _expect_type(res, f, NS_ENC, "Array", "props")
            at = f.get(q(NS_ENC, "arrayType"))
            if at is None:
                raise RequestError("props has no SOAP-ENC:arrayType")
            am = re.match(r"^([^\[]+)\[(\d+)\]$", at)
            if not am:
                raise RequestError("props arrayType '%s' is not type[count]" % at)
            if res.qname(f, am.group(1), "props arrayType") != (NS_TYPES, "ExtProperty"):
                raise RequestError("props arrayType '%s' does not name ExtProperty of %s" % (at, NS_TYPES))
            items = list(f)
            if int(am.group(2)) != len(items):
                raise RequestError("props arrayType count %s does not match its %d elements" % (am.group(2), len(items)))
            for i, item in enumerate(items):
                prop = deref(item, "props element %d" % i)
                if prop.tag != q(NS_TYPES, "ExtProperty"):
                    raise RequestError("props element %d refers to %s, expected ExtProperty" % (i, prop.tag))
                _expect_type(res, prop, NS_TYPES, "ExtProperty", "ExtProperty")
                pf = list(prop)
                if [c.tag for c in pf] != ["name", "value"]:
                    raise RequestError("ExtProperty must hold name then value")
                for c in pf:
                    _expect_type(res, c, NS_XSD, "string", "ExtProperty " + c.tag)
                req.props.append((_leaf_text(pf[0], "name"), _leaf_text(pf[1], "value")))
    if used != set(multirefs):
        raise RequestError("unreferenced multi-reference elements: %s" % ", ".join(sorted(set(multirefs) - used)))
    req.input_data = req.entity["inputData"]
    return req


# ---------------------------------------------------------------- answers

def xml_escape(text):
    return (text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
            .replace('"', "&quot;").replace("\r", "&#13;"))


PACKAGE_DIR = [None]  # set by --package-dir


def package_bytes(source):
    if "text" in source:
        return source["text"].encode(source.get("encoding", "gbk"))
    if "base64" in source:
        return base64.b64decode(source["base64"])
    if "file" in source:
        path = os.path.join(HERE, source["file"])
        if PACKAGE_DIR[0] and os.path.exists(os.path.join(PACKAGE_DIR[0], source["file"])):
            path = os.path.join(PACKAGE_DIR[0], source["file"])
        with open(path, "rb") as f:
            return f.read()
    if "size" in source:
        return pattern_bytes(int(source["size"]))
    return b""


def pattern_bytes(size):
    """Deterministic bytes the tests can regenerate: byte i is (i * 7 + i // 251) mod 256."""
    block = bytes((i * 7 + i // 251) % 256 for i in range(251 * 256))
    out = (block * (size // len(block) + 1))[:size]
    return out


def module_list_envelope(sc):
    repcode = sc.get("repcode", "1")
    rows = []
    form = sc.get("cellForm", "mixed")
    for n, mod in enumerate(sc.get("modules", [])):
        use_attr = form == "attr" or (form == "mixed" and n % 2 == 0)
        cells = []
        for key in ("moduleType", "moduleCode", "moduleName", "id", "versionNumber"):
            val = xml_escape(str(mod.get(key, "")))
            if use_attr:
                cells.append('<cell name="%s" value="%s" dataType="String"/>' % (key, val))
            else:
                cells.append("<%s>%s</%s>" % (key, val, key))
        rows.append("<row>%s</row>" % "".join(cells))
    lists = ""
    if not sc.get("noList1"):
        lists = '<arrayList name="list1">%s</arrayList>' % "".join(rows)
    text = ('<?xml version="1.0" encoding="UTF-8"?>\r\n<rootVo blhName="" class="">'
            "<head><handler>TaxService</handler><action>query</action>"
            "<handleTime>2024-01-01 00:00:00</handleTime><repcode>%s</repcode>"
            "<returnMessage>%s</returnMessage></head>%s</rootVo>"
            % (xml_escape(repcode), xml_escape(sc.get("returnMessage", "")), lists))
    return text.encode("gbk")


def cells_of(input_text):
    """Property cells of a request envelope (rootVo/properties/cell)."""
    try:
        root = ET.fromstring(input_text.encode("utf-8").replace(b'encoding="UTF-8"', b""))
    except ET.ParseError:
        return None
    out = {}
    props = root.find("properties")
    if props is not None:
        for c in props.findall("cell"):
            out[c.get("name", "")] = c.get("value", "")
    return out


def answer_entity(sc, req, input_text):
    """Fields of the reply CustomEntity: (returnData, formData, rtCode, rtMsg)."""
    return answer_entity_of(sc, req, input_text, package_source(sc, input_text))


def package_source(sc, input_text):
    """The package the request asks for (msid 901), or None."""
    if "returnData" in sc or sc.get("echo"):
        return None
    cells = cells_of(input_text) or {}
    if cells.get("msid") != "901":
        return None
    return sc.get("packages", {}).get(cells.get("id", ""))


def answer_entity_of(sc, req, input_text, pkg):
    rt_code = sc.get("rtCode", "1")
    rt_msg = sc.get("rtMsg", "")
    if "returnData" in sc:
        return package_bytes(sc["returnData"]), b"", rt_code, rt_msg
    if sc.get("echo"):
        return req.input_data, input_text.encode("gbk"), rt_code, rt_msg
    cells = cells_of(input_text)
    if cells is None:
        return b"", b"", "0", "请求报文格式错误"
    msid = cells.get("msid", "")
    if msid == "900":
        return module_list_envelope(sc), b"", rt_code, rt_msg
    if msid == "901":
        if pkg is None:
            return b"", b"", "0", "模块包不存在"
        return package_bytes(pkg), b"", rt_code, rt_msg
    return b"", b"", "0", "未知的服务: msid=%s" % msid


def b64_text(data, wrap):
    text = base64.b64encode(data).decode("ascii")
    if wrap and text:
        text = "\n".join(text[i:i + 76] for i in range(0, len(text), 76))
    return text


def soap_reply(sc, return_data, form_data, rt_code, rt_msg, cut_base64=False):
    wrap = sc.get("wrap", False)
    nil = sc.get("nil", False)
    only = sc.get("onlyFields")
    fields = []
    values = {
        "casignData": ("xsd:base64Binary", None),
        "formData": ("xsd:base64Binary", b64_text(form_data, wrap)),
        "inputData": ("xsd:base64Binary", None),
        "props": ("soapenc:Array", None),
        "returnData": ("xsd:base64Binary", cut(b64_text(return_data, wrap)) if cut_base64 else b64_text(return_data, wrap)),
        "rtCode": ("xsd:string", xml_escape(rt_code)),
        "rtMsg": ("xsd:string", xml_escape(rt_msg)),
    }
    for name in ENTITY_FIELDS:
        if only is not None and name not in only:
            continue
        typ, val = values[name]
        if name == "props":
            if nil:
                fields.append('<props xsi:type="soapenc:Array" xsi:nil="true"/>')
            else:
                fields.append('<props xsi:type="soapenc:Array" soapenc:arrayType="ns2:ExtProperty[0]"/>')
        elif val is None:
            if nil:
                fields.append('<%s xsi:type="%s" xsi:nil="true"/>' % (name, typ))
        else:
            fields.append('<%s xsi:type="%s">%s</%s>' % (name, typ, val, name))
    if sc.get("shuffle"):
        fields.reverse()
        fields = fields[1::2] + fields[0::2]
    body = "".join(fields)
    ns_op = "http://www.vazevor.com/wsbs/services/"
    head = ('<?xml version="1.0" encoding="UTF-8"?>\n<soapenv:Envelope xmlns:soapenv="%s" xmlns:xsd="%s" '
            'xmlns:xsi="%s" xmlns:soapenc="%s"><soapenv:Body>' % (NS_ENV, NS_XSD, NS_XSI, NS_ENC))
    if sc.get("returnForm", "inline") == "href":
        text = (head + '<ns1:doServiceResponse soapenv:encodingStyle="%s" xmlns:ns1="%s">'
                '<return href="#id0"/></ns1:doServiceResponse>'
                '<multiRef id="id0" soapenc:root="0" soapenv:encodingStyle="%s" xsi:type="ns2:CustomEntity" '
                'xmlns:ns2="urn:CustomService">%s</multiRef></soapenv:Body></soapenv:Envelope>'
                % (NS_ENC, ns_op, NS_ENC, body))
    else:
        text = (head + '<ns1:doServiceResponse soapenv:encodingStyle="%s" xmlns:ns1="%s">'
                '<return xsi:type="ns2:CustomEntity" xmlns:ns2="urn:CustomService">%s</return>'
                "</ns1:doServiceResponse></soapenv:Body></soapenv:Envelope>" % (NS_ENC, ns_op, body))
    return text.encode("utf-8")


def cut(text):
    """Base64 text cut to a length that is not a multiple of 4."""
    text = text.rstrip("=\n")
    return text[:-1] if len(text) % 4 == 0 else text


def with_doctype(envelope, doctype):
    """The envelope with a document type declaration after its XML declaration."""
    decl_end = envelope.index(b"?>") + 2
    return envelope[:decl_end] + b"\n" + doctype + envelope[decl_end:]


def dtd_reply(sc, work_dir):
    """A reply whose rtMsg is made of entity references, or a plain one with a bare DOCTYPE."""
    mode = sc["mode"]
    if mode == "dtdplain":
        return with_doctype(soap_reply(sc, b"<x/>", b"", "1", ""), b"<!DOCTYPE soapenv:Envelope>")
    marker = "@@RTMSG@@"
    reply = soap_reply(sc, b"<x/>", b"", "1", marker)
    if mode == "dtdexpand":
        value = "x" * int(sc.get("entitySize", 50000))
        doctype = '<!DOCTYPE soapenv:Envelope [<!ENTITY e "%s">]>' % value
    else:
        # A local file only the parser could bring into the reply.
        path = os.path.join(work_dir, "external-entity.txt")
        with open(path, "w") as f:
            f.write(sc.get("secret", "SECRET"))
        doctype = '<!DOCTYPE soapenv:Envelope [<!ENTITY e SYSTEM "file://%s">]>' % path
    reply = reply.replace(marker.encode(), b"&e;" * int(sc.get("uses", 1)))
    return with_doctype(reply, doctype.encode())


def soap_fault(code, text):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<soapenv:Envelope xmlns:soapenv="%s"><soapenv:Body>'
            "<soapenv:Fault><faultcode>soapenv:%s</faultcode><faultstring>%s</faultstring>"
            "<detail/></soapenv:Fault></soapenv:Body></soapenv:Envelope>"
            % (NS_ENV, code, xml_escape(text))).encode("utf-8")


# ---------------------------------------------------------------- HTTP side

class TaxService(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, address, scenarios):
        super().__init__(address, Handler)
        self.scenarios = scenarios
        self.records = []
        self.struck = set()  # (scenario, target) a fault "once" has already hit
        self.held = {}  # scenario name -> event set when a test releases its held replies
        self.cache = {}  # encoded replies of packages marked "cache", by (scenario, id)
        self.lock = threading.Lock()
        self.work_dir = tempfile.gettempdir()  # files the peer writes for its replies


class Handler(BaseHTTPRequestHandler):
    server_version = "TaxService/1.0"
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        sys.stderr.write("%s %s\n" % (time.strftime("%H:%M:%S"), fmt % args))

    def _send(self, status, body, ctype="text/xml; charset=utf-8"):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def _body(self):
        length = int(self.headers.get("Content-Length", "0") or 0)
        data = b""
        while len(data) < length:
            chunk = self.rfile.read(length - len(data))
            if not chunk:
                break
            data += chunk
        return data

    def _scenario(self):
        """(name, scenario) chosen by the last segment of the base address."""
        path = self.path.split("?", 1)[0]
        base = path[: -len(SERVICE_PATH)] if path.endswith(SERVICE_PATH) else ""
        name = base.rstrip("/").rsplit("/", 1)[-1]
        scenarios = self.server.scenarios
        return (name if name in scenarios else "default"), scenarios.get(name) or scenarios["default"]

    def _redirect_to_self(self, rec):
        rec["method"] = self.command
        with self.server.lock:
            self.server.records.append(rec)
        self.send_response(302)
        self.send_header("Location", "http://%s:%d%s" % (self.server.server_address + (self.path,)))
        self.send_header("Content-Length", "0")
        self.end_headers()

    def _held_event(self, name):
        with self.server.lock:
            return self.server.held.setdefault(name, threading.Event())

    def _silent(self):
        """Keeps the connection open without a byte of answer until the client gives up."""
        self.close_connection = True
        self.connection.settimeout(1.0)
        deadline = time.time() + 120
        while time.time() < deadline:
            try:
                if not self.connection.recv(4096):
                    return
            except socket.timeout:
                continue
            except OSError:
                return

    def _trickle(self, sc, body):
        """Sends the head at once, then the body one byte every few seconds."""
        self.close_connection = True
        self.send_response(200)
        self.send_header("Content-Type", "text/xml; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.flush()
        try:
            for i in range(len(body)):
                if i:
                    time.sleep(float(sc.get("interval", 4)))
                self.wfile.write(body[i:i + 1])
                self.wfile.flush()
        except OSError:
            pass

    def do_GET(self):
        if self.path.startswith("/control/"):
            return self._control()
        name, sc = self._scenario()
        if self.path.split("?", 1)[0].endswith(SERVICE_PATH) and sc.get("mode") == "redirectloop":
            return self._redirect_to_self({"scenario": name, "path": self.path, "error": ""})
        if self.path.endswith(SERVICE_PATH):
            return self._send(500, soap_fault("Client", "doService accepts POST only"))
        self._send(404, b"not found", "text/plain")

    def _control(self):
        parts = self.path.split("/")[2:]
        srv = self.server
        with srv.lock:
            records = list(srv.records)
        if parts[:1] == ["count"]:
            return self._send(200, str(len(records)).encode(), "text/plain")
        if parts[:1] == ["reset"]:
            with srv.lock:
                srv.records.clear()
                srv.struck.clear()
            return self._send(200, b"ok", "text/plain")
        if parts[:1] == ["packages"]:
            ids = [r.get("package", "") for r in records if r.get("msid") == "901"]
            return self._send(200, "".join("%s\r\n" % i for i in ids).encode("gbk"), "text/plain; charset=gbk")
        if parts[:1] == ["requests"]:
            out = [{k: (v if not isinstance(v, bytes) else base64.b64encode(v).decode()) for k, v in r.items()}
                   for r in records]
            return self._send(200, json.dumps(out, ensure_ascii=False).encode("utf-8"), "application/json")
        if parts[:1] == ["last"] and len(parts) == 2:
            if not records:
                return self._send(404, b"no request recorded", "text/plain")
            rec = records[-1]
            field = parts[1]
            if field == "props":
                return self._send(200, "".join("%s=%s\r\n" % p for p in rec["props"]).encode("gbk"),
                                  "text/plain; charset=gbk")
            if field == "inputData":
                return self._send(200, rec["inputData"], "application/octet-stream")
            if field in rec:
                return self._send(200, str(rec[field]).encode("gbk", "replace"), "text/plain; charset=gbk")
        self._send(404, b"unknown control request", "text/plain")

    def do_POST(self):
        if self.path.startswith("/control/scenario/"):
            name = self.path.split("/")[3]
            try:
                sc = json.loads(self._body().decode("utf-8"))
            except ValueError as e:
                return self._send(400, str(e).encode(), "text/plain")
            with self.server.lock:
                self.server.scenarios[name] = sc
                self.server.cache = {k: v for k, v in self.server.cache.items() if k[0] != name}
                self.server.held.pop(name, None)
            return self._send(200, b"ok", "text/plain")
        if self.path.startswith("/control/release/"):
            self._body()
            self._held_event(self.path.split("/")[3]).set()
            return self._send(200, b"ok", "text/plain")
        if self.path in ("/control/devfull", "/control/unlink", "/control/immutable/set", "/control/immutable/clear"):
            return self._file_fault(self._body().decode("utf-8"))
        if self.path.startswith("/control/"):
            self._body()
            return self._control()
        if self._scenario()[1].get("mode") == "deaf":
            # Reads not a byte of the body, so a large request fills the socket and stalls.
            self.close_connection = True
            time.sleep(float(self._scenario()[1].get("hold", 30)))
            return
        body = self._body()
        path = self.path.split("?", 1)[0]
        if not path.endswith(SERVICE_PATH):
            return self._send(404, b"no service at this address", "text/plain")
        scenario, sc = self._scenario()
        rec = {"scenario": scenario, "path": self.path, "sid": "", "inputData": b"", "inputText": "",
               "props": [], "error": "", "soapaction": self.headers.get("SOAPAction", ""),
               "contenttype": self.headers.get("Content-Type", ""),
               "useragent": self.headers.get("User-Agent", ""), "length": len(body)}
        try:
            if self.headers.get("SOAPAction") != '""':
                raise RequestError('SOAPAction header must be "" (an empty quoted string), got %r'
                                   % self.headers.get("SOAPAction"))
            ct = self.headers.get("Content-Type", "")
            if ct != 'text/xml; charset="utf-8"':
                raise RequestError('Content-Type must be text/xml; charset="utf-8", got %r' % ct)
            if not self.headers.get("User-Agent"):
                raise RequestError("request carries no User-Agent")
            req = validate_request(body)
            rec["sid"] = req.sid
            rec["inputData"] = req.input_data
            rec["props"] = req.props
            try:
                input_text = req.input_data.decode("gbk")
            except UnicodeDecodeError:
                raise RequestError("inputData is not GBK text")
            rec["inputText"] = input_text
            cells = cells_of(input_text) or {}
            rec["msid"] = cells.get("msid", "")
            if rec["msid"] == "901":
                rec["package"] = cells.get("id", "")
        except RequestError as e:
            rec["error"] = str(e)
            with self.server.lock:
                self.server.records.append(rec)
            return self._send(500, soap_fault("Client", str(e)))
        mode = sc.get("mode", "normal")
        if mode == "redirectloop":
            return self._redirect_to_self(rec)
        with self.server.lock:
            self.server.records.append(rec)
        if mode == "fault":
            return self._send(500, soap_fault("Server", sc.get("faultstring", "服务器内部错误")))
        if mode == "http404":
            return self._send(404, b"<html><body>Not Found</body></html>", "text/html")
        if mode == "close":
            self.close_connection = True
            self.wfile.flush()
            self.connection.shutdown(2)
            return
        if mode == "hugelength":
            # Announces far more than it sends, then closes: the length is not to be trusted.
            self.close_connection = True
            self.send_response(200)
            self.send_header("Content-Type", "text/xml; charset=utf-8")
            self.send_header("Content-Length", str(sc.get("length", 2000000000)))
            self.end_headers()
            self.wfile.write(b'<?xml version="1.0"?>' + b" " * int(sc.get("padding", 0)))
            self.wfile.flush()
            self.connection.shutdown(2)
            return
        if mode == "malformed":
            return self._send(200, b'<?xml version="1.0"?><soapenv:Envelope xmlns:soapenv="%s"><soapenv:Body>'
                              % NS_ENV.encode() + b"<unclosed>")
        if mode == "noresponse":
            return self._send(200, ('<?xml version="1.0"?><soapenv:Envelope xmlns:soapenv="%s">'
                                    "<soapenv:Body/></soapenv:Envelope>" % NS_ENV).encode())
        if mode == "silent":
            return self._silent()
        if mode == "held" and rec.get("msid") == "900":
            self._held_event(scenario).wait(float(sc.get("hold", 120)))
        if mode in ("dtdexpand", "dtdexternal", "dtdplain"):
            return self._send(200, dtd_reply(sc, self.server.work_dir))
        pkg = package_source(sc, input_text)
        if pkg is not None:
            fault, once, target = pkg.get("fault"), pkg.get("once", False), ("package", rec.get("package"))
        else:
            fault = sc.get("listFault") if rec.get("msid") == "900" else None
            once, target = sc.get("listFaultOnce", False), ("list",)
        if fault:
            key = (scenario,) + target
            with self.server.lock:
                if once and key in self.server.struck:
                    fault = None
                self.server.struck.add(key)
        if fault == "soap":
            return self._send(500, soap_fault("Server", pkg.get("faultstring", "模块包读取失败") if pkg
                                              else sc.get("faultstring", "模块列表读取失败")))
        cache_key = (scenario, rec.get("package"))
        if pkg is not None and pkg.get("cache") and not fault:
            with self.server.lock:
                reply = self.server.cache.get(cache_key)
            if reply is None:
                return_data, form_data, rt_code, rt_msg = answer_entity_of(sc, req, input_text, pkg)
                reply = soap_reply(sc, return_data, form_data, rt_code, rt_msg)
                with self.server.lock:
                    self.server.cache[cache_key] = reply
            return self._send(200, reply)
        return_data, form_data, rt_code, rt_msg = answer_entity_of(sc, req, input_text, pkg)
        reply = soap_reply(sc, return_data, form_data, rt_code, rt_msg, cut_base64=fault == "cutbase64")
        if mode == "trickle":
            return self._trickle(sc, reply)
        if fault == "half":
            return self._half(reply)
        self._send(200, reply)

    def _file_fault(self, path):
        try:
            if self.path == "/control/devfull":
                if os.path.lexists(path):
                    os.remove(path)
                os.symlink("/dev/full", path)
            elif self.path == "/control/unlink":
                if os.path.islink(path):
                    os.remove(path)
            else:
                flag = "+i" if self.path.endswith("/set") else "-i"
                try:
                    done = subprocess.run(["chattr", flag, path], capture_output=True, text=True)
                except FileNotFoundError:
                    # A missing install step, not a refusal: the tests must fail, not skip.
                    return self._send(500, b"chattr is not installed (package e2fsprogs)", "text/plain")
                if done.returncode:
                    return self._send(409, (done.stderr or "chattr failed").encode(), "text/plain")
        except OSError as e:
            return self._send(409, str(e).encode(), "text/plain")
        self._send(200, b"ok", "text/plain")

    def _half(self, body):
        """Announces the whole body, sends half of it and closes the connection."""
        self.close_connection = True
        self.send_response(200)
        self.send_header("Content-Type", "text/xml; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body[: len(body) // 2])
        self.wfile.flush()
        self.connection.shutdown(socket.SHUT_RDWR)


def load_scenarios(path):
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    data.setdefault("default", {})
    return data


def serve(args):
    scenarios = load_scenarios(args.scenarios)
    PACKAGE_DIR[0] = args.package_dir
    srv = TaxService(("127.0.0.1", args.port), scenarios)
    port = srv.server_address[1]
    if args.port_file:
        srv.work_dir = os.path.dirname(os.path.abspath(args.port_file))
    if args.pid_file:
        with open(args.pid_file, "w") as f:
            f.write(str(os.getpid()))
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write(str(port))
        os.replace(tmp, args.port_file)
    print("PORT %d" % port, flush=True)
    if args.max_lifetime > 0:
        # A forgotten peer must not outlive the test run by much.
        threading.Timer(args.max_lifetime, lambda: os._exit(0)).start()
    srv.serve_forever()


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--port-file")
    p.add_argument("--pid-file")
    p.add_argument("--log")
    p.add_argument("--scenarios", default=os.path.join(HERE, "scenarios.json"))
    p.add_argument("--package-dir", help="folder of the package files made at build time")
    p.add_argument("--daemon", action="store_true", help="run in the background; return once listening")
    p.add_argument("--stop", action="store_true", help="stop the peer named by --pid-file")
    p.add_argument("--max-lifetime", type=float, default=3600.0)
    args = p.parse_args()
    if args.stop:
        try:
            with open(args.pid_file) as f:
                os.kill(int(f.read().strip()), signal.SIGTERM)
        except (OSError, ValueError) as e:
            print("no peer to stop: %s" % e)
        return 0
    if args.daemon:
        if not args.port_file:
            p.error("--daemon needs --port-file")
        if os.path.exists(args.port_file):
            os.remove(args.port_file)
        pid = os.fork()
        if pid:
            for _ in range(200):
                if os.path.exists(args.port_file):
                    with open(args.port_file) as f:
                        print("PORT %s" % f.read().strip())
                    return 0
                time.sleep(0.05)
            print("peer did not start", file=sys.stderr)
            return 1
        os.setsid()
        log = open(args.log or os.devnull, "a")
        os.dup2(log.fileno(), 1)
        os.dup2(log.fileno(), 2)
        null = open(os.devnull)
        os.dup2(null.fileno(), 0)
    serve(args)
    return 0


if __name__ == "__main__":
    sys.exit(main())
