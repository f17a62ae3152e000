#include "vn_sim/physics/thermocouple.h"

#include <cmath>

#include "vn_sim/physics/physics_error.h"
#include "vn_sim/physics/root_finder.h"

namespace VN_Sim {

namespace {

// E = sum c[i] t^i, E in mV, t in °C.
const double TypeTNegative[] = {
    0.0, 3.87481063640e-2, 4.41944343470e-5, 1.18443231050e-7, 2.00329735540e-8,
    9.01380195590e-10, 2.26511565930e-11, 3.60711542050e-13, 3.84939398830e-15,
    2.82135219250e-17, 1.42515947790e-19, 4.87686622860e-22, 1.07955392700e-24,
    1.39450270620e-27, 7.97951539270e-31};
const double TypeTPositive[] = {
    0.0, 3.87481063640e-2, 3.32922278800e-5, 2.06182434040e-7, -2.18822568460e-9,
    1.09968809280e-11, -3.08157587720e-14, 4.54791352900e-17, -2.75129016730e-20};
const double TypeJ[] = {
    0.0, 5.03811878150e-2, 3.04758369300e-5, -8.56810657200e-8, 1.32281952950e-10,
    -1.70529583370e-13, 2.09480906970e-16, -1.25383953360e-19, 1.56317256970e-23};
const double TypeKNegative[] = {
    0.0, 3.94501280250e-2, 2.36223735980e-5, -3.28589067840e-7, -4.99048287770e-9,
    -6.75090591730e-11, -5.74103274280e-13, -3.10888728940e-15, -1.04516093650e-17,
    -1.98892668780e-20, -1.63226974860e-23};
const double TypeKPositive[] = {
    -1.76004136860e-2, 3.89212049750e-2, 1.85587700320e-5, -9.94575928740e-8,
    3.18409457190e-10, -5.60728448890e-13, 5.60750590590e-16, -3.20207200030e-19,
    9.71511471520e-23, -1.21047212750e-26};
// Type K above 0 °C adds a0 exp(a1 (t − a2)²).
const double TypeKExpA0 = 0.1185976;
const double TypeKExpA1 = -1.183432e-4;
const double TypeKExpA2 = 126.9686;

const double TemperatureTolerance = 1e-9;  // °C

template <size_t N>
double Polynomial(const double (&c)[N], double t) {
    double sum = 0.0;
    for (size_t i = N; i-- > 0;) {
        sum = sum * t + c[i];
    }
    return sum;
}

double ReferenceEmf(ThermocoupleType_T type, double t) {
    switch (type) {
        case TC_TYPE_T:
            return t < 0.0 ? Polynomial(TypeTNegative, t) : Polynomial(TypeTPositive, t);
        case TC_TYPE_K:
            if (t < 0.0) {
                return Polynomial(TypeKNegative, t);
            }
            return Polynomial(TypeKPositive, t) +
                   TypeKExpA0 * std::exp(TypeKExpA1 * (t - TypeKExpA2) * (t - TypeKExpA2));
        case TC_TYPE_J:
            return Polynomial(TypeJ, t);
    }
    return NAN;
}

}  // namespace

void Thermocouple::Range(double* lowC, double* highC) const {
    switch (type) {
        case TC_TYPE_T:
            *lowC = -270.0;
            *highC = 400.0;
            return;
        case TC_TYPE_K:
            *lowC = -270.0;
            *highC = 1372.0;
            return;
        case TC_TYPE_J:
            *lowC = -210.0;
            *highC = 760.0;
            return;
    }
}

int Thermocouple::Emf(double temperatureC, double* millivolts) const {
    double low = 0.0;
    double high = 0.0;
    Range(&low, &high);
    if (!(temperatureC >= low && temperatureC <= high)) {
        return PHYS_OUT_OF_RANGE;
    }
    *millivolts = ReferenceEmf(type, temperatureC);
    return PHYS_OK;
}

int Thermocouple::Temperature(double millivolts, double* temperatureC) const {
    double low = 0.0;
    double high = 0.0;
    Range(&low, &high);
    if (!(millivolts >= ReferenceEmf(type, low) && millivolts <= ReferenceEmf(type, high))) {
        return PHYS_OUT_OF_RANGE;
    }
    auto excess = [this, millivolts](double t) { return ReferenceEmf(type, t) - millivolts; };
    return FindRoot(excess, low, high, TemperatureTolerance, temperatureC);
}

int Thermocouple::OutputVolts(double hotC, double coldC, double* volts) const {
    double hot = 0.0;
    double cold = 0.0;
    int result = Emf(hotC, &hot);
    if (result == PHYS_OK) {
        result = Emf(coldC, &cold);
    }
    if (result == PHYS_OK) {
        *volts = (hot - cold) / 1000.0;
    }
    return result;
}

}  // namespace VN_Sim
