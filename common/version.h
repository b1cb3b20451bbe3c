// The product's name and version, for the resource scripts and the code alike.
#pragma once

#define MW_PRODUCT_NAME "Mailwick"
#define MW_COMPANY_NAME "Quenby Systems"
#define MW_VERSION 1, 0, 0, 0
#define MW_VERSION_TEXT "1.0"
