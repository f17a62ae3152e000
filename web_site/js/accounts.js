// The accounts page.
'use strict';
