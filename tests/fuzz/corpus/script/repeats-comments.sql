-- fills a test database
INSERT INTO [tblPersons] ([strPersonName]) VALUES ('GO')
go 3
  GO   -- nothing before this one
SELECT 'go
GO' AS x
GO 0
GO 2 -- twice
/* GO */
GO x
