#!/usr/bin/env python3
"""Independent reference for the simulated PV module.

Solves the implicit single-diode equation
    I = IL - I0 (exp((V + I Rs) / a) - 1) - (V + I Rs) / Rsh
by bracketed root finding (no closed form), with the irradiance and cell
temperature dependence of the five parameters, for the default 280 W module.

Prints one line per point, whitespace separated:
    IV  S  Tc  V  I
    KEY S  Tc  Isc  Voc  Vmp  Imp  Pmax
(S in W/m2, Tc in degC, volts, amperes, watts).
"""
import math
import sys

from scipy.optimize import brentq, minimize_scalar

IL_REF = 9.061
I0_REF = 7.08e-10
RS = 0.14
RSH_REF = 880.22
A_REF = 1.6718
ALPHA_SC = 0.005753
EG_REF = 1.121
DEGDT = -0.0002677
K_EV = 8.617332478e-5
T_REF = 298.15

IRRADIANCES = (200.0, 500.0, 1000.0)
CELL_TEMPERATURES = (25.0, 50.0)
VOLTAGES = (0.0, 10.0, 20.0, 30.0, 35.0)


def parameters(s, tc_c):
    tc = tc_c + 273.15
    il = s / 1000.0 * (IL_REF + ALPHA_SC * (tc - T_REF))
    eg = EG_REF * (1.0 + DEGDT * (tc - T_REF))
    i0 = I0_REF * (tc / T_REF) ** 3 * math.exp(EG_REF / (K_EV * T_REF) - eg / (K_EV * tc))
    a = A_REF * tc / T_REF
    rsh = RSH_REF * 1000.0 / s
    return il, i0, RS, rsh, a


def residual(v, i, p):
    il, i0, rs, rsh, a = p
    vd = v + i * rs
    return il - i0 * math.expm1(vd / a) - vd / rsh - i


def current(v, p):
    il = p[0]
    return brentq(lambda i: residual(v, i, p), -100.0, il + 1.0, xtol=1e-15, rtol=1e-15, maxiter=500)


def open_circuit_voltage(p):
    return brentq(lambda v: residual(v, 0.0, p), 0.0, 100.0, xtol=1e-14, rtol=1e-15, maxiter=500)


def main():
    out = sys.stdout
    for s in IRRADIANCES:
        for tc in CELL_TEMPERATURES:
            p = parameters(s, tc)
            for v in VOLTAGES:
                out.write("IV %.17g %.17g %.17g %.17g\n" % (s, tc, v, current(v, p)))
            voc = open_circuit_voltage(p)
            isc = current(0.0, p)
            best = minimize_scalar(lambda v: -v * current(v, p), bounds=(0.0, voc),
                                   method="bounded", options={"xatol": 1e-10})
            vmp = best.x
            imp = current(vmp, p)
            out.write("KEY %.17g %.17g %.17g %.17g %.17g %.17g %.17g\n" % (s, tc, isc, voc, vmp, imp, vmp * imp))


if __name__ == "__main__":
    main()
