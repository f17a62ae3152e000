// The data page.
'use strict';
