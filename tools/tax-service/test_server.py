"""Checks that the peer accepts a well-formed request and names what is wrong in a bad one."""
import base64
import http.client
import json
import os
import re
import tempfile
import threading
import unittest

import server

NS = ('xmlns:SOAP-ENV="http://schemas.xmlsoap.org/soap/envelope/" xmlns:xsd="http://www.w3.org/2001/XMLSchema" '
      'xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xmlns:SOAP-ENC="http://schemas.xmlsoap.org/soap/encoding/"')


def request(input_text="<rootVo><properties><cell name=\"msid\" value=\"900\"/></properties></rootVo>",
            props=(("caGuid", ""), ("loginName", ""), ("loginType", "-1"), ("password", "")),
            count=None, order=None, ns=NS, bad_b64=False):
    data = base64.b64encode(input_text.encode("gbk")).decode()
    if bad_b64:
        data = "!!" + data
    items = "".join('<item href="#%d"/>' % (i + 2) for i in range(len(props)))
    fields = {
        "casignData": '<casignData xsi:type="xsd:base64Binary"></casignData>',
        "formData": '<formData xsi:type="xsd:base64Binary"></formData>',
        "inputData": '<inputData xsi:type="xsd:base64Binary">%s</inputData>' % data,
        "props": '<props xsi:type="SOAP-ENC:Array" SOAP-ENC:arrayType="NS2:ExtProperty[%d]">%s</props>'
                 % (len(props) if count is None else count, items),
        "returnData": '<returnData xsi:type="xsd:base64Binary"></returnData>',
        "rtCode": '<rtCode xsi:type="xsd:string"></rtCode>',
        "rtMsg": '<rtMsg xsi:type="xsd:string"></rtMsg>',
    }
    body = "".join(fields[f] for f in (order or server.ENTITY_FIELDS))
    refs = "".join('<NS2:ExtProperty id="%d" xsi:type="NS2:ExtProperty" xmlns:NS2="urn:CustomService">'
                   '<name xsi:type="xsd:string">%s</name><value xsi:type="xsd:string">%s</value></NS2:ExtProperty>'
                   % (i + 2, n, v) for i, (n, v) in enumerate(props))
    return ('<?xml version="1.0" encoding="utf-8"?><SOAP-ENV:Envelope %s><SOAP-ENV:Body '
            'SOAP-ENV:encodingStyle="http://schemas.xmlsoap.org/soap/encoding/">'
            '<NS1:doService xmlns:NS1="http://x/wsbs/services/"><sid xsi:type="xsd:string">9910006</sid>'
            '<param href="#1"/></NS1:doService><NS2:CustomEntity id="1" xsi:type="NS2:CustomEntity" '
            'xmlns:NS2="urn:CustomService">%s</NS2:CustomEntity>%s</SOAP-ENV:Body></SOAP-ENV:Envelope>'
            % (ns, body, refs)).encode("utf-8")


class PeerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.srv = server.TaxService(("127.0.0.1", 0), server.load_scenarios(server.os.path.join(server.HERE, "scenarios.json")))
        cls.work = tempfile.TemporaryDirectory()
        cls.srv.work_dir = cls.work.name
        threading.Thread(target=cls.srv.serve_forever, daemon=True).start()

    @classmethod
    def tearDownClass(cls):
        cls.srv.shutdown()
        cls.work.cleanup()

    def post(self, body, path="/a/services/CustomServiceEntry", headers=None):
        conn = http.client.HTTPConnection("127.0.0.1", self.srv.server_address[1])
        h = {"SOAPAction": '""', "Content-Type": 'text/xml; charset="utf-8"', "User-Agent": "test"}
        h.update(headers or {})
        conn.request("POST", path, body, h)
        r = conn.getresponse()
        out = r.status, r.read().decode("utf-8")
        conn.close()
        return out

    def test_well_formed_request_gets_the_module_list(self):
        status, text = self.post(request())
        self.assertEqual(status, 200, text)
        self.assertIn("<rtCode xsi:type=\"xsd:string\">1</rtCode>", text)
        rec = self.srv.records[-1]
        self.assertEqual(rec["props"], [("caGuid", ""), ("loginName", ""), ("loginType", "-1"), ("password", "")])

    def test_faults_name_the_broken_rule(self):
        cases = [
            ("SOAPAction", request(), {"SOAPAction": "doService"}),
            ("Content-Type", request(), {"Content-Type": "text/xml"}),
            ("xmlns:xsd", request(ns=NS.replace("2001/XMLSchema\"", "1999/XMLSchema\"")), {}),
            ("count 5", request(count=5), {}),
            ("in this order", request(order=list(reversed(server.ENTITY_FIELDS))), {}),
            ("base64", request(bad_b64=True), {}),
            ("well-formed", b"<x", {}),
            ("Content-Type", request(), {"Content-Type": "text/xml; charset=utf-8"}),
            ("User-Agent", request(), {"User-Agent": ""}),
            ("encodingStyle", request().replace(
                b' SOAP-ENV:encodingStyle="http://schemas.xmlsoap.org/soap/encoding/"', b""), {}),
            ("Header", request().replace(b"<SOAP-ENV:Body", b"<SOAP-ENV:Header/><SOAP-ENV:Body", 1), {}),
            ("count from 1", request().replace(b'href="#1"', b'href="#7"').replace(b'id="1"', b'id="7"'), {}),
            ("missing id", request().replace(b'<item href="#2"/>', b'<item href="#9"/>'), {}),
            ("already refers", request().replace(b'<item href="#3"/>', b'<item href="#2"/>'), {}),
            ("unreferenced", request().replace(
                b"</SOAP-ENV:Body>", b'<NS2:ExtProperty id="6" xmlns:NS2="urn:CustomService"/></SOAP-ENV:Body>'), {}),
            ("xsi:type", request().replace(b'xsi:type="xsd:string">9910006', b'xsi:type="xsd:int">9910006'), {}),
            ("does not name ExtProperty", request().replace(b'arrayType="NS2:ExtProperty[', b'arrayType="NS2:Property['), {}),
            ("UTF-8", request().replace(b'encoding="utf-8"', b'encoding="gbk"'), {}),
            ("UTF-8", request(input_text="<a/>").replace(b"9910006", "纳税".encode("gbk")), {}),
        ]
        for needle, body, headers in cases:
            status, text = self.post(body, headers=headers)
            self.assertEqual(status, 500, needle)
            self.assertIn("Fault", text)
            self.assertIn(needle, text)

    def test_hostile_replies(self):
        # The redirect names its own address, for the POST and for the GET a client would follow with.
        path = "/a/redirectloop/services/CustomServiceEntry"
        conn = http.client.HTTPConnection("127.0.0.1", self.srv.server_address[1])
        for method, body in (("POST", request()), ("GET", None)):
            h = {"SOAPAction": '""', "Content-Type": 'text/xml; charset="utf-8"', "User-Agent": "test"}
            conn.request(method, path, body, h)
            r = conn.getresponse()
            r.read()
            self.assertEqual(r.status, 302, method)
            self.assertEqual(r.getheader("Location"),
                             "http://127.0.0.1:%d%s" % (self.srv.server_address[1], path))
        conn.close()
        # Each declaration sits after the XML declaration, before the envelope.
        for scenario, needle in (("dtdexpand", '<!ENTITY e "xxx'), ("dtdexternal", '<!ENTITY e SYSTEM "file://'),
                                 ("dtdplain", "<!DOCTYPE soapenv:Envelope>")):
            status, text = self.post(request(), path="/a/%s/services/CustomServiceEntry" % scenario)
            self.assertEqual(status, 200, scenario)
            self.assertTrue(text.startswith('<?xml version="1.0" encoding="UTF-8"?>\n<!DOCTYPE'), scenario)
            self.assertIn(needle, text)
            self.assertLess(text.index(needle), text.index("<soapenv:Envelope"))

    def control(self, method, path, body=None):
        conn = http.client.HTTPConnection("127.0.0.1", self.srv.server_address[1])
        conn.request(method, path, body)
        r = conn.getresponse()
        out = r.status, r.read()
        conn.close()
        return out

    def package_request(self, ident):
        return request(input_text='<rootVo><properties><cell name="id" value="%s"/>'
                                  '<cell name="msid" value="901"/></properties></rootVo>' % ident)

    def return_data(self, text):
        m = re.search(r"<returnData[^>]*>([^<]*)</returnData>", text)
        return m.group(1) if m else None

    def test_package_faults_and_the_record_of_package_requests(self):
        scenario = {"modules": [], "packages": {
            "1": {"text": "abcdefgh"},
            "2": {"text": "abcdefgh", "fault": "cutbase64"},
            "3": {"text": "abcdefgh", "fault": "soap", "once": True},
            "4": {"text": "x" * 5000, "fault": "half"},
            "5": {"file": "peer-test-package.bin"},
        }}
        self.assertEqual(self.control("POST", "/control/scenario/pk", json.dumps(scenario).encode())[0], 200)
        self.control("POST", "/control/reset")
        path = "/a/pk/services/CustomServiceEntry"
        status, text = self.post(self.package_request("1"), path=path)
        self.assertEqual((status, base64.b64decode(self.return_data(text))), (200, b"abcdefgh"))
        status, text = self.post(self.package_request("2"), path=path)
        self.assertEqual(status, 200)
        self.assertNotEqual(len(self.return_data(text)) % 4, 0)
        self.assertTrue("YWJjZGVmZ2g".startswith(self.return_data(text)))
        # The fault strikes the first request only.
        self.assertEqual(self.post(self.package_request("3"), path=path)[0], 500)
        self.assertEqual(self.post(self.package_request("3"), path=path)[0], 200)
        # Half of the announced body, then the connection closes.
        conn = http.client.HTTPConnection("127.0.0.1", self.srv.server_address[1])
        conn.request("POST", path, self.package_request("4"),
                     {"SOAPAction": '""', "Content-Type": 'text/xml; charset="utf-8"', "User-Agent": "t"})
        r = conn.getresponse()
        with self.assertRaises(http.client.IncompleteRead):
            r.read()
        conn.close()
        # Files are read on each request: a changed file is served changed.
        with tempfile.TemporaryDirectory() as folder:
            server.PACKAGE_DIR[0] = folder
            try:
                for content in (b"first", b"second"):
                    with open(os.path.join(folder, "peer-test-package.bin"), "wb") as f:
                        f.write(content)
                    status, text = self.post(self.package_request("5"), path=path)
                    self.assertEqual(base64.b64decode(self.return_data(text)), content)
            finally:
                server.PACKAGE_DIR[0] = None
        self.post(request(), path=path)  # the module list is no package request
        self.assertEqual(self.control("GET", "/control/packages")[1], b"1\r\n2\r\n3\r\n3\r\n4\r\n5\r\n5\r\n")
        # A reset forgets the faults that struck.
        self.control("POST", "/control/reset")
        self.assertEqual(self.post(self.package_request("3"), path=path)[0], 500)

    def test_held_list_waits_for_its_release(self):
        scenario = {"mode": "held", "modules": [], "hold": 30}
        self.assertEqual(self.control("POST", "/control/scenario/hd", json.dumps(scenario).encode())[0], 200)
        done = []
        path = "/a/hd/services/CustomServiceEntry"
        worker = threading.Thread(target=lambda: done.append(self.post(request(), path=path)))
        worker.start()
        worker.join(1.5)
        self.assertEqual(done, [])
        self.assertEqual(self.srv.records[-1]["scenario"], "hd")  # recorded while held
        self.assertEqual(self.control("POST", "/control/release/hd")[0], 200)
        worker.join(10)
        self.assertEqual(done[0][0], 200)
        self.assertIn("<rtCode xsi:type=\"xsd:string\">1</rtCode>", done[0][1])
        # Released stays released; adding the scenario again holds anew.
        self.assertEqual(self.post(request(), path=path)[0], 200)
        self.control("POST", "/control/scenario/hd", json.dumps(dict(scenario, hold=0.5)).encode())
        worker = threading.Thread(target=lambda: done.append(self.post(request(), path=path)))
        worker.start()
        worker.join(0.2)
        self.assertEqual(len(done), 1)
        worker.join(10)
        self.assertEqual(len(done), 2)

    def test_list_fault_once(self):
        scenario = {"modules": [], "listFault": "soap", "listFaultOnce": True}
        self.control("POST", "/control/scenario/lf", json.dumps(scenario).encode())
        path = "/a/lf/services/CustomServiceEntry"
        self.assertEqual(self.post(request(), path=path)[0], 500)
        self.assertEqual(self.post(request(), path=path)[0], 200)


if __name__ == "__main__":
    unittest.main()
