"""A simulated station of any size: the controller with its local unit and
up to three remote units (two on serial lines, one on CAN), each with the
same number of modules, laid out in folders as scripts/run_station.sh lays
out the three-unit station (docs/stations.md).

A unit's modules share card 0x300's inputs (voltage and current of each on
consecutive inputs, mux 1 to 7, the cold junction on mux 1 chan 4 left out:
at most 27 modules) and its load buses (addresses 1 to 15 on interface 0,
the rest on interface 2, chip select 4); every four loads share a heat sink."""

import os
import shutil

SOURCE = os.path.realpath(os.path.join(os.path.dirname(__file__), "..", ".."))

# Data source id, folder, how the controller reaches it.
UNITS = (
    (0, "station", "local"),
    (1, "com1", "COM1"),
    (3, "com2", "COM2"),
    (2, "can", "CAN"),
)
MAX_MODULES = 27
LOADS_PER_BUS = 15


def module_wiring(count):
    """Each module's number (1...), load bus (its id in hw_config.xml, its name
    in sim_station.xml), load address and the (mux, chan) of its voltage and
    current inputs on card 0x300."""
    inputs = [(mux, chan) for mux in range(1, 8) for chan in range(8) if (mux, chan) != (1, 4)]
    for number in range(1, count + 1):
        if number <= LOADS_PER_BUS:
            bus_id, bus_name, address = 1, "loads", number
        else:
            bus_id, bus_name, address = 3, "loads2", number - LOADS_PER_BUS
        yield number, bus_id, bus_name, address, inputs[2 * number - 2], inputs[2 * number - 1]


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)


def sim_station_xml(kind, modules, unit_port, host_extra, controller_links):
    buses = ['        <Bus name="loads" folder="can/loads" oscillator_hz="16000000" />']
    chips = ['            <CanChip select="0" bus="loads" />']
    if modules > LOADS_PER_BUS:
        buses.append('        <Bus name="loads2" folder="can/loads2" oscillator_hz="16000000" />')
        chips.append('            <CanChip select="4" bus="loads2" />')
    if kind == "CAN" or "CAN" in controller_links:
        buses.append('        <Bus name="link" folder="../busses/link" oscillator_hz="16000000" />')
    if kind == "CAN":
        chips.append('            <CanChip select="1" bus="link" />')
    lines = []
    if kind in ("COM1", "COM2"):
        lines.append(f'        <Line name="{kind.lower()}" com="1" folder="../lines/{kind.lower()}" />')
    for link in controller_links:
        if link in ("COM1", "COM2"):
            lines.append(f'        <Line name="{link.lower()}" com="{link[-1]}" folder="../lines/{link.lower()}" '
                         'program="vn_controller" />')
    sinks = "\n".join(f'        <HeatSink id="{s}" still_resistance="0.1" full_resistance="0.03" heat_capacity="10000" />'
                      for s in range(1, (modules + 3) // 4 + 1))
    module_xml = []
    for number, _, bus, address, (vmux, vchan), (imux, ichan) in module_wiring(modules):
        module_xml.append(
            f'        <Module id="{number}" model="default" bus="{bus}" address="{address}">\n'
            f'            <Load vmax="50" on_resistance="0.05" current_limit="15" settling_ms="1" heat_sink="{(number + 3) // 4}" />\n'
            f'            <Voltage card="300" mux="{vmux}" chan="{vchan}" gain="0.1" />\n'
            f'            <Current card="300" mux="{imux}" chan="{ichan}" gain="0.01" />\n'
            '        </Module>')
    controller_card = ""
    controller_leds = ""
    if kind == "local":
        controller_leds = '\n        <LedBank address="330" program="vn_controller" />'
        if "CAN" in controller_links:
            controller_card = ('\n        <Card address="300" program="vn_controller">\n'
                               '            <CanChip select="1" bus="link" />\n        </Card>')
    serial = "\n    <SerialLines>\n" + "\n".join(lines) + "\n    </SerialLines>\n" if lines else ""
    newline = "\n"
    return f"""<?xml version="1.0" ?>
<SimStation>
    <Host unit_port="{unit_port}"{host_extra} />
    <Environment mode="fixed" irradiance="1000" ambient="25" supply_rise="10" />
    <HeatSinks>
{sinks}
    </HeatSinks>
    <CanBusses>
{newline.join(buses)}
    </CanBusses>{serial}
    <Cards>
        <Card address="300" seed="11" fan_card="true">
{newline.join(chips)}
        </Card>
        <Card address="310" seed="23" />{controller_card}
    </Cards>
    <Modules>
{newline.join(module_xml)}
    </Modules>
    <Sensors>
        <Pyranometer card="310" mux="1" chan="0" uv_per_wm2="10" />
        <Thermocouple type="K" at="ambient" card="310" mux="2" chan="4" />
        <Thermocouple type="K" at="heat_sink" id="1" card="310" mux="3" chan="0" />
        <Thermocouple type="K" at="intake" card="310" mux="3" chan="1" />
        <Thermocouple type="K" at="supply" card="310" mux="3" chan="2" />
    </Sensors>
    <Leds>
        <LedBank address="320" />{controller_leds}
    </Leds>
    <Truth file="sim_truth.xml" period_ms="1000" />
</SimStation>
"""


def hw_config_xml(kind, modules, unit_port, serial_number):
    ports = {"local": "", "COM1": '        <COM1 baud="38400" />\n', "COM2": '        <COM1 baud="38400" />\n',
             "CAN": '        <CAN canbus="2" />\n'}[kind]
    buses = ['        <Bus id="1" card="1" chan="0" />']
    if kind == "CAN":
        buses.append('        <Bus id="2" card="1" chan="1" />')
    if modules > LOADS_PER_BUS:
        buses.append('        <Bus id="3" card="1" chan="2" />')
    channels = []
    for number, bus, _, address, (vmux, vchan), (imux, ichan) in module_wiring(modules):
        channels.append(
            f'        <Channel id="{number}" vmax="50" imax="10" pmax="300" vmax_at="5.0" imax_at="0.1" '
            f'canbus="{bus}" address="{address}"\n'
            f'                 vcard="1" vmux="{vmux}" vchan="{vchan}" icard="1" imux="{imux}" ichan="{ichan}" />')
    newline = "\n"
    return f"""<?xml version="1.0" ?>
<HardwareConfiguration version="1">
    <Description>
        <Model>VN5-SIM</Model>
        <BuildDate>12/08/2026</BuildDate>
        <SerialNumber>{serial_number}</SerialNumber>
    </Description>
    <CommandPorts>
{ports}        <Socket port="{unit_port}" />
    </CommandPorts>
    <Cards>
        <Card id="1" address="300" />
        <Card id="2" address="310" />
    </Cards>
    <CAN_Busses>
{newline.join(buses)}
    </CAN_Busses>
    <Fans card="1" />
    <AuxInputs>
        <AuxInput id="1" card="2" mux="1" chan="0" />
    </AuxInputs>
    <Temperatures>
        <Temperature id="1" type="K" card="2" mux="2" chan="4" />
    </Temperatures>
    <ModuleChannels>
{newline.join(channels)}
    </ModuleChannels>
    <InternalMeasurements>
        <HeatSinkTemperature id="1" type="K" card="2" mux="3" chan="0" />
        <IntakeTemperature id="1" type="K" card="2" mux="3" chan="1" />
        <SupplyTemperature id="1" type="K" card="2" mux="3" chan="2" />
    </InternalMeasurements>
    <Leds>
        <Led id="0" bit="0" io_address="320" />
        <Led id="1" bit="1" io_address="320" />
    </Leds>
</HardwareConfiguration>
"""


def calibration_files(folder, modules, serial_number):
    """Nominal gains for every input, in the unit's calibration and factory folders."""
    tables = {
        "mod_voltage_cal.txt": [(n, 10.0) for n in range(1, modules + 1)],
        "mod_current_cal.txt": [(n, 100.0) for n in range(1, modules + 1)],
        "aux_input_cal.txt": [(1, 100000.0)],
        "temperature_cal.txt": [],
    }
    for name, entries in tables.items():
        text = f"SERIAL_NUMBER {serial_number}\nDATE 12/08/2026\n" + "".join(
            f"ENTRY {n} {gain:.6f} 0.000000\n" for n, gain in entries)
        for sub in ("cal_files", "hda2/vn/cal_files", "hda2/vn/factory_cal"):
            write(os.path.join(folder, sub, name), text)


def system_config_xml(sources):
    leds = "\n".join(f'        <Led id="{i}" bit="{i}" io_address="330" />' for i in range(len(sources) + 1))
    ports = {"local": 'port_type="local"', "COM1": 'port_type="COM" com_id="1" baud="38400"',
             "COM2": 'port_type="COM" com_id="2" baud="38400"', "CAN": 'port_type="CAN" can_id="1" can_address="300"'}
    entries = "\n".join(f'        <DataSource id="{ds}" {ports[kind]} led="{n + 1}" />'
                        for n, (ds, kind) in enumerate(sources))
    return f"""<?xml version="1.0" ?>
<System_Config version="1">
    <GeneralSettings>
        <OffLineReset interval="5" />
    </GeneralSettings>
    <Leds>
{leds}
    </Leds>
    <DataSources>
{entries}
    </DataSources>
</System_Config>
"""


def chan_config_xml(sources, modules):
    channels = "\n".join(f'        <Channel id="{n}" data_source="{ds}" />'
                         for ds, _ in sources for n in range(1, modules + 1))
    aux = "\n".join(f'        <AuxInput id="1" data_source="{ds}" />' for ds, _ in sources)
    temps = "\n".join(f'        <Temperature id="1" data_source="{ds}" />' for ds, _ in sources)
    return f"""<?xml version="1.0" ?>
<System_Config version="1" date="12-08-2026">
    <ModuleChannels>
{channels}
    </ModuleChannels>
    <AuxInputs>
{aux}
    </AuxInputs>
    <Temperatures>
{temps}
    </Temperatures>
</System_Config>
"""


def settings_xml(sources, modules):
    """The default station's settings (samples every second, averages every 10 s,
    every module at its maximum power point) without scheduled curves."""
    with open(os.path.join(SOURCE, "sim_station", "settings.xml")) as f:
        text = f.read()
    head = text[:text.index("    <ModuleChannels")]
    head = head.replace('<Curves interval="120"', '<Curves interval="86400"')
    channels = []
    for ds, _ in sources:
        for n in range(1, modules + 1):
            channels.append(
                f'        <Channel id="{ds * 100 + n}">\n'
                f'            <Irradiances><Irradiance id="{ds * 100 + 1}" index="0" /></Irradiances>\n'
                f'            <Temperatures><Temperature id="{ds * 100 + 1}" index="0" /></Temperatures>\n'
                '        </Channel>')
    return head + '    <ModuleChannels version="1">\n' + "\n".join(channels) + "\n    </ModuleChannels>\n</Settings>\n"


def lay_out(root, remotes, modules, build, ports):
    """Writes a station of the local unit and the remote units named (COM1,
    COM2, CAN) with `modules` modules each under root; ports: (unit ports...,
    http, modbus). Returns the controller's folder and the folders of the
    remote units (to be started by the caller)."""
    known = {kind: (ds, name, kind) for ds, name, kind in UNITS}
    if any(kind not in known or kind == "local" for kind in remotes) or len(set(remotes)) != len(remotes) \
            or not 1 <= modules <= MAX_MODULES:
        raise ValueError(f"remote units among COM1, COM2 and CAN, each once; 1 to {MAX_MODULES} modules")
    chosen = [UNITS[0]] + [known[kind] for kind in remotes]
    sources = [(ds, kind) for ds, _, kind in chosen]
    controller_links = [kind for _, _, kind in chosen[1:]]
    folders = []
    for n, (ds, name, kind) in enumerate(chosen):
        folder = os.path.join(root, name)
        os.makedirs(os.path.join(folder, "data"), exist_ok=True)
        serial_number = f"SIM-{ds:02d}{modules:02d}"
        extra = f' http_port="{ports[-2]}" modbus_port="{ports[-1]}"' if kind == "local" else ""
        write(os.path.join(folder, "sim_station.xml"),
              sim_station_xml(kind, modules, ports[n], extra, controller_links if kind == "local" else []))
        write(os.path.join(folder, "hw_config.xml"), hw_config_xml(kind, modules, ports[n], serial_number))
        calibration_files(folder, modules, serial_number)
        shutil.copy2(os.path.join(build, "vn_firmware"), folder)
        if kind == "local":
            for name_ in ("shadow", "etc"):
                source = os.path.join(SOURCE, "sim_station", name_)
                if os.path.isdir(source):
                    shutil.copytree(source, os.path.join(folder, name_), dirs_exist_ok=True)
                else:
                    shutil.copy2(source, folder)
            shutil.copy2(os.path.join(build, "vn_controller"), folder)
            write(os.path.join(folder, "system_config.xml"), system_config_xml(sources))
            write(os.path.join(folder, "chan_config.xml"), chan_config_xml(sources, modules))
            write(os.path.join(folder, "settings.xml"), settings_xml(sources, modules))
        else:
            folders.append(folder)
    return os.path.join(root, "station"), folders
