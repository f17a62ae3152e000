// The calibration page.
'use strict';
