#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets (tests/fuzz/corpus/<target>/):
real frames and request lines, replies laid out as units write them, the
simulated stations' files and real web requests. Run it again after a
format changes; files written by a fuzzer (crash inputs kept as seeds) are
left alone."""
import pathlib
import re
import struct

ROOT = pathlib.Path(__file__).resolve().parent.parent
CORPUS = ROOT / "tests" / "fuzz" / "corpus"
STATIONS = [ROOT / "sim_station", ROOT / "sim_station_multi" / "station",
            ROOT / "sim_station_multi" / "can_unit", ROOT / "sim_station_multi" / "com_unit"]


def write(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    if isinstance(data, str):
        data = data.encode()
    (folder / name).write_bytes(data)


def frame(body):
    """'[', the escaped little-endian length and body, ']'."""
    payload = struct.pack("<H", len(body)) + body
    out = bytearray(b"[")
    for byte in payload:
        if byte in b"[]*":
            out += b"*"
        out.append(byte)
    return bytes(out + b"]")


def text(value):
    return value.encode() + b"\0"


REQUESTS = ["11,", "12,", "101,A,S", "101,A,R", "101,B,R", "102,1", "103,1", "104,300,0,1",
            "41,0", "41,1", "42,1,1,0,100,0.4,0.1", "42,2,2,30,100,0.4,0.1", "43,",
            "150,1", "151,3", "151,1,2", "201,10,2,30.0,20,2000,0", "201,20,1,5.0,20,2000,1",
            "202,10,12/24/2026", "203", "205,10", "205,400", "250",
            "30,no,station7,10.1.2.3,255.255.0.0,10.1.0.1", "30,yes", "99,"]


def unit_reply(code, fields):
    return bytes([code & 0xFF]) + struct.pack("<h", 0) + fields


def description():
    return (struct.pack("<i", 2) + text("5.11") + text("SIM-0001") + text("12/07/2026") + text("VN5") +
            struct.pack("<ii", 1, 1) + struct.pack("<ii", 1, 3) + text("T") + struct.pack("<iii", 2, 1, 2))


def sample_record():
    return (struct.pack("<i", 1) + b"T" + struct.pack("<i", 1) + b"\x03" + struct.pack("<d", 25.5) +
            b"X" + struct.pack("<i", 1) + b"\x01" + struct.pack("<d", 812.0) +
            b"M" + struct.pack("<i", 2) + b"\x01" + struct.pack("<dd", 8.1, 30.2) +
            b"\x02" + struct.pack("<dd", 8.0, 30.0) + b"E")


def curve(advanced):
    points = struct.pack("<i", 3) + struct.pack("<dddddd", 0.0, 8.5, 30.0, 8.0, 37.5, 0.0)
    if advanced:
        return struct.pack("<ii", 2, 0) + struct.pack("<dddddd", 8.5, 0.01, 10.0, 37.5, 0.02, 50.0) + points
    return struct.pack("<dd", 8.5, 37.5) + points


CAL_RECORD = ('<CalRecord type="10" id="1" date="12/07/2026" time="10:00:00" reference="30.000000" '
              'reading="29.900000" old_factor="1.000000" new_factor="1.003344" />')

CURVE_FILE = ('<?xml version="1.0" ?>\n<IV_Curves><Curve><Name>Roof 1</Name><Site>Test</Site><ModuleID>M1</ModuleID>'
              '<GUID>0b4e3a52-6b0e-4d2f-9a61-2f1c4d0e8a11</GUID><Date_Time date="12/08/2026" time="10:00:00">'
              '2026-12-08T10:00:00</Date_Time><PeakPower>240.0</PeakPower><Vpeak>30.0</Vpeak><Ipeak>8.0</Ipeak>'
              '<Voc resolution="0.02" range="50">37.5</Voc><Isc resolution="0.01" range="10">8.5</Isc>'
              '<FillFactor>0.75</FillFactor><Irradiances><Irrad index="0" id="1"><Value units="W/m2">812.0</Value>'
              '</Irrad></Irradiances><Temperatures><Temperature index="0" id="1" tc_type="T"><Value units="C">25.5'
              '</Value></Temperature></Temperatures><Points><Point><Volts>0.000000</Volts><Amps>8.500000</Amps>'
              '</Point><Point><Volts>30.000000</Volts><Amps>8.000000</Amps></Point><Point><Volts>37.500000</Volts>'
              '<Amps>0.000000</Amps></Point></Points></Curve></IV_Curves>\n')

# Route flags: bit 0 POST; bits 1-2 0 administrator, 1 user, 2 no credentials.
GET, POST, USER_GET, ANONYMOUS_GET = 0, 1, 2, 4
WEB = [
    (GET, "/user/status.xml", ""), (USER_GET, "/user/sample.xml", ""), (GET, "/user/about.txt", ""),
    (GET, "/admin/sample_settings.xml", ""), (GET, "/admin/channel_settings.xml", ""),
    (GET, "/admin/curve_settings.xml", ""), (GET, "/admin/aux_input_settings.xml", ""),
    (GET, "/admin/temperature_settings.xml", ""), (GET, "/admin/global_settings.xml", ""),
    (GET, "/admin/network_settings.xml", ""), (GET, "/admin/date_time_settings.xml", ""),
    (GET, "/user/date_time.xml", ""), (GET, "/user/last_curves.xml", ""),
    (GET, "/user/cal_report.xml", ""), (GET, "/user/cal_report.txt", ""),
    (GET, "/admin/username_settings.xml", ""), (GET, "/user/data_files.xml", ""),
    (GET, "/user/data/vn12082026.vnd.csv", ""), (GET, "/user/curves/last_iv_1.xml.csv", ""),
    (GET, "/user/data/%2e%2e/%2e%2e/settings.xml", ""), (ANONYMOUS_GET, "/admin/reset?now=1", ""),
    (POST, "/admin/take_curves", '<Curves><Id id="1" /><Id id="2" /></Curves>'),
    (POST, "/admin/calibrate", '<Cal type="module_voltage" id="1" actual="30.0" adjust="0" />'),
    (POST, "/admin/save_calibration", '<Cal type="module_current"/>'),
    (POST, "/admin/load_calibration", '<Cal type="aux_input"/>'),
    (POST, "/admin/cal_mode_on", ""), (POST, "/admin/cal_mode_off", ""),
    (POST, "/admin/restart_cal_report", ""), (POST, "/admin/all_loads_off", ""),
    (POST, "/admin/set_module_isc", '<Module id="1" />'),
    (POST, "/admin/save_username",
     '<Users><Username type="web_user" current_username="viewer" new_username="viewer2" password="pw" /></Users>'),
    (POST, "/admin/set_date_time_settings",
     '<TimeSettings timezone="1" ntp_enabled=""><DateTime year="2026" month="12" day="8" hour="10" min="0" sec="0" /></TimeSettings>'),
]


def section(document, name):
    found = re.search(r"<%s[ >].*?</%s>|<%s [^>]*/>" % (name, name, name), document, re.S)
    return found.group(0) if found else ""


def main():
    for number, request in enumerate(REQUESTS):
        write("fuzz_unit_commands", "request_%02d" % number, request)
        write("fuzz_frame_receiver", "request_%02d" % number, b"\x07" + frame(request.encode()))
    write("fuzz_frame_receiver", "joined_requests", b"\x00" + frame(b"12,") + b"noise" + frame(b"101,A,R"))
    write("fuzz_frame_receiver", "description_reply", b"\x03" + frame(unit_reply(11, description())))

    write("fuzz_frame_fields", "description", bytes([5, 2, 5, 5, 5, 5, 2]) + description())
    write("fuzz_frame_fields", "sample_record", bytes([6, 2, 0, 2, 0, 4, 0]) + sample_record())
    write("fuzz_frame_fields", "request_line", b"\x00" + b"42,2,2,30,100,0.4,0.1")

    # First byte: the exchange (0 description ... 4 calibration record), 0x40 an
    # advanced unit, 0x80 raw wire bytes.
    write("fuzz_unit_replies", "description", b"\x00" + description())
    write("fuzz_unit_replies", "sample_record", b"\x01" + sample_record())
    write("fuzz_unit_replies", "curve_basic", b"\x02" + curve(False))
    write("fuzz_unit_replies", "curve_advanced", b"\x42" + curve(True))
    write("fuzz_unit_replies", "version", b"\x03" + text("5.11"))
    write("fuzz_unit_replies", "cal_record", b"\x04" + text(CAL_RECORD))
    write("fuzz_unit_replies", "sample_record_wire", b"\x81" + frame(unit_reply(101, sample_record())))

    # First byte: the document family, in the target's order.
    families = ["system_config", "chan_config", "system_user_settings", "module_channels",
                "aux_inputs", "temperatures", "globals", "sampler", "curves", "network",
                "time_settings", "curve_file", "account_change", "cal_record", "hw_config"]
    def xml(family, name, content):
        write("fuzz_xml_documents", name, bytes([families.index(family)]) + content.encode())
    settings = (ROOT / "sim_station" / "settings.xml").read_text()
    for index, station in enumerate(STATIONS):
        for family in ["system_config", "chan_config", "hw_config"]:
            path = station / (family + ".xml")
            if path.exists():
                xml(family, "%s_%d" % (family, index), path.read_text())
        if (station / "settings.xml").exists():
            xml("system_user_settings", "settings_%d" % index, (station / "settings.xml").read_text())
            xml("sampler", "sampler_%d" % index, (station / "settings.xml").read_text())
    xml("module_channels", "module_channels", section(settings, "ModuleChannels"))
    xml("globals", "globals", section(settings, "Globals"))
    xml("aux_inputs", "aux_inputs", '<AuxInputs version="1"><AuxInput id="1" description="POA" units="W/m2" '
        'gain="1.0" offset="0.0" /></AuxInputs>')
    xml("temperatures", "temperatures", '<Temperatures version="1"><Temperature id="1" description="back" '
        'tc_type="T" /></Temperatures>')
    xml("curves", "curves", "<Settings>" + section(settings, "Curves") + "</Settings>")
    xml("network", "network", "<Settings>" + section(settings, "Network") + "</Settings>")
    xml("time_settings", "time_settings", "<Settings>" + section(settings, "TimeSettings") + "</Settings>")
    xml("curve_file", "curve_file", CURVE_FILE)
    xml("account_change", "account_change", WEB[30][2])
    xml("cal_record", "cal_record", CAL_RECORD)

    for path in sorted((ROOT / "sim_station" / "cal_files").iterdir()):
        write("fuzz_calibration_files", path.stem, path.read_bytes())

    day_file = ("Date,Time,1 Volts,1 Amps,1 Power,1 Aux,1 Temp\n"
                "Date,Time,Roof Volts,Roof Amps,Roof Power,Irradiance,\n"
                "mm/dd/yyyy,hh:mm:ss,Volts,Amps,Watts,W/m2,\n"
                "12/08/2026,05:46:04,3.4e+01,-9.999000e+03,0.000000e+00,9.99e+02,-9.999000e+03\n"
                "12/08/2026,05:46:16,3.5e+01,1.0e+00,3.5e+01,1.0e+03,2.5e+01\n")
    write("fuzz_stored_files", "day_file", b"\x00" + day_file.encode())
    write("fuzz_stored_files", "day_file_semicolons",
          b"\x00" + b"Date;Time;1 Volts\nDate;Time; Volts\nmm/dd/yyyy;hh:mm:ss;Volts\n12/09/2026;00:00:10;1,5e+01\n")
    write("fuzz_stored_files", "curve_file", b"\x01" + CURVE_FILE.encode())

    for number, (flags, target, body) in enumerate(WEB):
        write("fuzz_web_requests", "request_%02d" % number, bytes([flags]) + (target + "\n" + body).encode())
    for name in ["module_channels", "globals"]:
        route = "/admin/set_channel_settings" if name == "module_channels" else "/admin/set_global_settings"
        tag = "ModuleChannels" if name == "module_channels" else "Globals"
        write("fuzz_web_requests", "set_" + name, bytes([POST]) + (route + "\n" + section(settings, tag)).encode())
    write("fuzz_web_requests", "set_sample_settings",
          bytes([POST]) + ("/admin/set_sample_settings\n<Settings>" + section(settings, "Sampler") + "</Settings>").encode())


if __name__ == "__main__":
    main()
