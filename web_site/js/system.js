// The system page.
'use strict';
