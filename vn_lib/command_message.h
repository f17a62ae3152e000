#ifndef VN_LIB_COMMAND_MESSAGE_H
#define VN_LIB_COMMAND_MESSAGE_H

// Command codes of the requests a unit answers; they travel as decimal text in
// the first field of the request line.
enum CmdType {
    CmdInitialize = 1,
    CmdReadConfiguration = 11,
    CmdVersion = 12,
    CmdChangeNetworkSettings = 30,
    CmdInitializeLoads = 41,
    CmdSetLoadControlParameters = 42,
    CmdSetAllLoadsOff = 43,
    CmdSample = 101,
    CmdSampleTemperature = 102,
    CmdSampleAuxInput = 103,
    CmdReadAnalogChannel = 104,
    CmdTakeIvCurve = 150,
    CmdTakeIvCurveAdvanced = 151,
    CmdCalibrate = 201,
    CmdSaveCalibration = 202,
    CmdResetToFactoryCalibration = 203,
    CmdLoadCalibration = 205,
    CmdSpecialTest = 250,
    CmdUnknown = 255,
};

// One request line: assembled character by character, then split at commas
// into fixed slots (slot 0 the command code, slots 1..8 the parameters).
// Handlers read the slots directly by index.
class CommandMessage {
public:
    enum State_T { StateEmpty = 0, StatePartial = 1, StateDone = 2 };

    static const int ParameterSlots = 16;
    static const int ParameterSize = 16;  // 15 characters and the NUL
    static const int TextSize = 256;      // 255 characters and the NUL

    CommandMessage();

    void Clear();
    // Carriage return ends and parses the line, line feed is ignored, any other
    // character is appended. Characters past the 255th are dropped.
    void AddChar(char c);
    // Number of fields stored, -1 for an empty text.
    int Parse();
    // Decimal value of slot 0; 0 when it holds no number.
    int Type() const;
    void SetType(CmdType type);
    void Copy(CommandMessage* other) const;
    void Print() const;

    int state;
    char parameters[ParameterSlots][ParameterSize];
    char text[TextSize];
};

#endif
